#!/usr/bin/perl
# Every label the review's checks read (the table in tools/kcview/AccountLabels.cpp) is listed in
# the guide's table of labels (docs/review.md), and the guide lists no label the table lacks.
#
# Usage: perl review_labels.pl <source root>
use strict;
use warnings;

my $root = shift @ARGV or die "usage: $0 <source root>\n";
open(my $code_in, '<:raw', "$root/tools/kcview/AccountLabels.cpp") or die "AccountLabels.cpp: $!\n";
my $code = do { local $/; <$code_in> };
open(my $doc_in, '<:raw', "$root/docs/review.md") or die "docs/review.md: $!\n";
my $doc = do { local $/; <$doc_in> };

my %how = (kExact => '=', kPrefix => 'starts', kContains => 'holds');
my %in_code;
while ($code =~ /\{k\w+, (kExact|kPrefix|kContains), "([^"]+)"\}/g) {
    $in_code{"$how{$1} $2"} = 1;
}
die "no labels found in AccountLabels.cpp\n" unless %in_code;

my ($table) = $doc =~ /## The labels the checks read\n(.*?)\n## /s or die "no table of labels\n";
my %in_doc;
for my $row (grep { /^\| / && !/^\| role / && !/^\|---/ } split /\n/, $table) {
    my (undef, undef, $labels) = split /\s*\|\s*/, $row;
    for my $entry (split /,\s*/, $labels) {
        $entry =~ s/\s*\(.*\)$//;
        $in_doc{$entry} = 1;
    }
}
my $failed = 0;
for my $label (sort keys %in_code) {
    next if $in_doc{$label};
    print "not in docs/review.md: $label\n";
    $failed = 1;
}
for my $label (sort keys %in_doc) {
    next if $in_code{$label};
    print "in docs/review.md but not read by the checks: $label\n";
    $failed = 1;
}
exit $failed;
