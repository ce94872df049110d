#!/usr/bin/perl
# SPDX-License-Identifier: MIT
# Reads one Thumb-2 function's disassembly (objdump -d --no-show-raw-insn)
# and follows every path through it, each loop taken once, whatever the
# order of its blocks, to prove that the 8-byte value crosses threads only
# through exclusive pairs:
#  - every store but strexd writes only registers that ldrexd loaded on that
#    same path, so no plain or half-width load is handed on;
#  - every strexd is retried in a loop with its ldrexd;
#  - no path both stores with strexd and hands on with a plain store: the
#    report stores the value, the hand-back only reads it;
#  - one path stores with strexd (the report), one hands on what ldrexd
#    loaded (the hand-back).
# Exits 0 when all hold; otherwise prints each fault and the path to it.
use strict;
use warnings;

my (@at, @op, @args, %index);
while (<STDIN>) {
    # Not the literal pool's data; nor the encoding's width, nor objdump's comments.
    my ($at, $op, $args) = /^\s*([0-9a-f]+):\t([^.\s]\S*)\s*(.*)$/ or next;
    $index{ hex $at } = @at;
    push @at, hex $at;
    push @op, $op =~ s/\.[nw]$//r;
    push @args, $args =~ s/\s*(?:@.*|<[^>]*>)//gr;
}
die "no instructions to follow\n" unless @at;

my $cond = qr/(?:eq|ne|cs|hs|cc|lo|mi|pl|vs|vc|hi|ls|ge|lt|gt|le)/;
sub registers { return $_[0] =~ /\b(r\d+|ip|lr|sp|pc|fp|sl|[dsq]\d+)\b/g }

my (%faults, %retried, $reported, $handed_back);

# A path's instructions by address, for its faults.
sub where { return join ' ', map { sprintf '%x', $at[$_] } @{ $_[0] } }

sub both {
    $faults{ "one path both stores with strexd and hands on with a plain store, path " . where($_[0]) } = 1;
}

# walk(INSTRUCTION, HELD, PATH, RUNS): HELD says where each register's value
# came from: 'x' ldrexd, 'p' any other load, '' neither. RUNS says, for each
# instruction still to come in an IT block, whether it runs on this path.
sub walk {
    my ($i, $held, $path, $runs) = @_;
    my %held = %$held;
    my @path = @$path;
    my @runs = @$runs;
    while ($i < @at) {
        if (my ($from) = grep { $path[$_] == $i } 0 .. $#path) {    # a loop, taken once
            my @loop = @path[$from .. $#path];
            if (grep { $op[$_] =~ /^ldrexd/ } @loop) {
                $retried{$_} = 1 for grep { $op[$_] =~ /^strexd/ } @loop;
            }
            return;
        }
        push @path, $i;
        my ($op, $args, $conditional) = ($op[$i], $args[$i], scalar @runs);
        if ($conditional && !shift @runs) {
            $i++;
            next;
        }
        if ($op =~ /^it([te]*)$/) {    # one path where its condition holds, one where not
            my @then = map { $_ eq 't' } split //, "t$1";
            walk($i + 1, \%held, \@path, [ map { !$_ } @then ]);
            @runs = @then;
        } elsif ($op =~ /^(?:b$cond?|cbn?z)$/) {
            my ($target) = $args =~ /([0-9a-f]+)$/;
            walk($index{ hex $target } // scalar @at, \%held, \@path, []);
            return if $conditional || $op eq 'b';    # in an IT block it runs only when taken
        } elsif ($op =~ /^bx/ || $args =~ /^pc\b|\{[^}]*\bpc\b/) {
            return;
        } elsif ($op =~ /^strexd/) {
            $held{ (registers($args))[0] } = '';
            $reported = $held{'!stored'} = 1;
            both(\@path) if $held{'!handed'};
        } elsif ($op =~ /^(?:str|stm|vst)/) {
            my ($data) = $op =~ /^stm/ ? $args =~ /\{(.*)\}/ : $args =~ /^(.*?)\[/;
            if (grep { ($held{$_} // '') ne 'x' } registers($data // '')) {
                $faults{ "'$op $args' stores what ldrexd did not load, on path " . where(\@path) } = 1;
            } else {
                $handed_back = $held{'!handed'} = 1;
                both(\@path) if $held{'!stored'};
            }
        } elsif ($op =~ /^(?:ldr|ldm|pop|vld)/) {
            my ($loaded) = $op =~ /^(?:ldm|pop)/ ? $args =~ /\{(.*)\}/ : $args =~ /^(.*?)\[/;
            $held{$_} = $op =~ /^ldrexd/ ? 'x' : $op eq 'pop' ? '' : 'p' for registers($loaded // '');
        } elsif ($op !~ /^(?:push|cmp|cmn|tst|teq|nop|clrex)/) {
            # The first register is written, from the others: a value is
            # only as good as the worst of what it was made from.
            my ($written, @read) = registers($args);
            my @from = map { $held{$_} // '' } @read;
            $held{$written} = (grep { $_ eq 'p' } @from) ? 'p' : (@from && !grep { $_ ne 'x' } @from) ? 'x' : ''
                if defined $written;
        }
        $i++;
    }
}
walk(0, {}, [], []);

for my $i (grep { $op[$_] =~ /^strexd/ && !$retried{$_} } 0 .. $#op) {
    $faults{ sprintf 'strexd at %x is not retried in a loop with ldrexd', $at[$i] } = 1;
}
$faults{'no path stores the value with strexd'} = 1 unless $reported;
$faults{'no path hands on a value that ldrexd loaded'} = 1 unless $handed_back;
print "$_\n" for sort keys %faults;
exit(%faults ? 1 : 0);
