// SPDX-License-Identifier: MIT
#include "test_files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include <dirent.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "socket_io.h"

namespace tests {

std::string make_test_directory(const std::string &prefix, const std::string &socket)
{
    const char *tmp = std::getenv("TMPDIR");
    std::string directory =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + '/' + prefix + ".XXXXXX";
    const std::string socket_path = directory + '/' + socket;
    sockaddr_un address;
    if (!quorvel_sim::unix_address(socket_path, address))
        ADD_FAILURE() << socket_path << " is " << socket_path.size()
                      << " bytes, more than a Unix socket's path may be ("
                      << sizeof address.sun_path - 1 << "): set TMPDIR to a shorter directory";
    else if (mkdtemp(&directory[0]) == nullptr)
        ADD_FAILURE() << "cannot make " << directory << ": " << std::strerror(errno);
    else
        return directory;
    return "";
}

void remove_test_directory(const std::string &directory, std::initializer_list<const char *> files)
{
    for (const char *name : files)
        unlink((directory + '/' + name).c_str());
    if (rmdir(directory.c_str()) == 0)
        return;
    const int error = errno;
    std::string left;
    if (DIR *entries = opendir(directory.c_str())) {
        while (const dirent *entry = readdir(entries))
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                left += std::string(" ") + entry->d_name;
        closedir(entries);
    }
    ADD_FAILURE() << "cannot remove " << directory << " (" << std::strerror(error)
                  << "); left in it:" << left;
}

std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> logged_events(const std::string &log)
{
    std::vector<std::string> events;
    std::istringstream lines(read_file(log));
    for (std::string line; std::getline(lines, line);)
        events.push_back(line.substr(line.find(' ') + 1));
    return events;
}

} // namespace tests
