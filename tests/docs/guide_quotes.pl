#!/usr/bin/perl
# The guide's examples are quoted from real files, and must stay as those files are.
#
# Usage: perl guide_quotes.pl <source root> [--export FOLDER=XML]...
#
# In README.md and the Markdown files under docs/, a code block is tied to a file by a comment on
# the line just before its opening fence:
#
#   <!-- file: examples/worked-chart/accounts.csv -->    the block is taken from that file
#   <!-- export: examples/worked-chart -->              the block is taken from the XML file that
#                                                       the export of those books wrote
#
# The export is passed with --export, as the books folder and the written file. A line of the block
# that holds only "…" (indented or not) marks lines left out. Every run of lines between such marks
# must stand in the file as whole lines, one after the other, and the runs in the order of the
# block. Line ends are compared as LF; the export is read as Shift_JIS.
#
# In docs/books.md a block that starts with the header of a books file must be tied to a file: an
# example written by hand could drift from what an import takes.
use strict;
use warnings;
use Encode qw(decode encode);
use File::Find;

my $root = shift @ARGV or die "usage: $0 <source root> [--export FOLDER=XML]...\n";
my %exports;
while (@ARGV) {
    my $option = shift @ARGV;
    my $value = shift @ARGV // '';
    die "usage: $0 <source root> [--export FOLDER=XML]...\n"
        unless $option eq '--export' && $value =~ /^([^=]+)=(.+)$/;
    $exports{$1} = $2;
}

sub read_raw {
    my ($path) = @_;
    open(my $in, '<:raw', $path) or return undef;
    my $text = do { local $/; <$in> };
    close $in;
    $text =~ s/\r\n/\n/g;
    return $text;
}

# The guide's pages: the README and every Markdown file under docs/.
my @pages = ('README.md');
find(
    {   no_chdir => 1,
        wanted   => sub { push @pages, substr($_, length($root) + 1) if -f $_ && /\.md$/ }
    },
    "$root/docs") if -d "$root/docs";

my %exported_text;    # the export's text in UTF-8, read once
sub quoted_text {
    my ($kind, $name) = @_;
    if ($kind eq 'file') {
        return (undef, "$name is not a file of the repository")
            if $name =~ m{(^|/)\.\.(/|$)} || $name =~ m{^/};
        my $text = read_raw("$root/$name");
        return defined $text ? ($text) : (undef, "$name cannot be read");
    }
    my $xml = $exports{$name};
    return (undef, "no export of $name was given to the check") unless defined $xml;
    unless (exists $exported_text{$name}) {
        my $bytes = read_raw($xml);
        return (undef, "$xml cannot be read") unless defined $bytes;
        $exported_text{$name} = encode('UTF-8', decode('cp932', $bytes, Encode::FB_CROAK));
    }
    return ($exported_text{$name});
}

# Where a run of lines stands in the text as whole lines, at or after an offset; -1 when nowhere.
sub find_run {
    my ($text, $from, @run) = @_;
    my $wanted = join('', map {"$_\n"} @run);
    my $at = $from;
    while (($at = index($text, $wanted, $at)) >= 0) {
        return $at if $at == 0 || substr($text, $at - 1, 1) eq "\n";
        ++$at;
    }
    return -1;
}

# The first line of the block that is not in the text as the block has it; undef when all are.
sub first_missing_line {
    my ($text, @lines) = @_;
    my @runs = ([]);
    for my $line (@lines) {
        if   ($line =~ /^\s*…\s*$/) { push @runs, [] }
        else                        { push @{ $runs[-1] }, $line }
    }
    my $from = 0;
    for my $run (grep {@$_} @runs) {
        my $at = find_run($text, $from, @$run);
        if ($at < 0) {
            # Name the line where the run stops matching.
            my $count = 1;
            ++$count while find_run($text, $from, @$run[0 .. $count - 1]) >= 0;
            return $run->[$count - 1];
        }
        $from = $at + length(join('', map {"$_\n"} @$run));
    }
    return undef;
}

my ($checked, @failures) = (0);
for my $page (sort @pages) {
    my $text = read_raw("$root/$page") // die "cannot read $page\n";
    my @lines = split /\n/, $text, -1;
    my ($marker, $marker_line);
    for (my $i = 0; $i < @lines; ++$i) {
        if ($lines[$i] =~ /^<!--\s*(file|export):\s*(\S+)\s*-->\s*$/) {
            ($marker, $marker_line) = ([$1, $2], $i + 1);
            push @failures, "$page:$marker_line: the marked code block does not follow"
                unless $i + 1 < @lines && $lines[$i + 1] =~ /^```/;
            next;
        }
        next unless $lines[$i] =~ /^```/;
        my $start = $i + 1;
        my $end = $start;
        ++$end while $end < @lines && $lines[$end] !~ /^```\s*$/;
        my @block = @lines[$start .. $end - 1];
        $i = $end;
        my $tied = $marker && $marker_line == $start - 1 ? $marker : undef;
        undef $marker;
        unless ($tied) {
            push @failures, "$page:$start: an example of a books file is not tied to a file"
                if $page eq 'docs/books.md' && @block && $block[0] =~ /^(data_id|user_id|first_day),/;
            next;
        }
        ++$checked;
        my ($quoted, $error) = quoted_text(@$tied);
        if (!defined $quoted) {
            push @failures, "$page:$marker_line: $error";
        } elsif (defined(my $missing = first_missing_line($quoted, @block))) {
            push @failures, "$page:$marker_line: not as in $tied->[1]: \"$missing\"";
        }
    }
}

print STDERR "$_\n" for @failures;
die "no code block of the guide is tied to a file\n" if $checked == 0;
exit 1 if @failures;
print "$checked code blocks of the guide, each as in its file\n";
exit 0;
