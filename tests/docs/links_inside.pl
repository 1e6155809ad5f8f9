#!/usr/bin/perl
# A reader has only the repository: every link of the guide leads to a file in it, and no file of
# the project points at a place outside it.
#
# Usage: perl links_inside.pl <source root>
#
# Links: in README.md and every Markdown file under docs/ and examples/, each inline link or
# picture ([text](target), ![text](target)) that is not a web address must name a file or folder of
# the repository, relative to the page, without leaving the repository; a "#part" must be a heading
# of the page it names (as the heading's anchor: lower case, blanks as hyphens, punctuation
# dropped). Code blocks and code spans are not links.
#
# Outside: no file of the repository names the shared folder beside it by a relative path, or the
# machine's work folder by an absolute one. Build trees (a folder with a CMakeCache.txt), Git's own
# folder and the demo's output are not the project's files.
use strict;
use warnings;
use File::Basename qw(dirname);
use File::Find;
use Cwd qw(abs_path);

my $root = shift @ARGV or die "usage: $0 <source root>\n";
$root = abs_path($root) // die "$root: no such folder\n";

# The path without doubled slashes, "." and ".." steps or a slash at its end.
sub tidy {
    my ($path) = @_;
    $path =~ s{/+}{/}g;
    1 while $path =~ s{/\.(/|$)}{/};
    1 while $path =~ s{/[^/]+/\.\.(/|$)}{/};
    $path =~ s{(.)/$}{$1};
    return $path;
}

sub read_raw {
    my ($path) = @_;
    open(my $in, '<:raw', $path) or die "cannot read $path: $!\n";
    my $text = do { local $/; <$in> };
    close $in;
    return $text;
}

my @files;
find(
    {   no_chdir   => 1,
        preprocess => sub {
            my $dir = $File::Find::dir;
            return () if -e "$dir/CMakeCache.txt";
            return grep { !($dir eq $root && ($_ eq '.git' || $_ eq 'out')) } @_;
        },
        wanted => sub { push @files, substr($_, length($root) + 1) if -f $_ }
    },
    $root);

my @failures;

# Where a link may not lead: the shared folder beside the repository, and the work folder.
my $outside = qr{(?:\.\./)+shared\b|(?<![\w.~-])/wor[k]/};
for my $file (sort @files) {
    my $text = read_raw("$root/$file");
    next if index(substr($text, 0, 8192), "\0") >= 0;    # not a text
    my $line = 0;
    for my $row (split /\n/, $text) {
        ++$line;
        push @failures, "$file:$line: points outside the repository: $&" if $row =~ $outside;
    }
}

# A heading's anchor, as the pages are rendered.
sub anchor {
    my ($heading) = @_;
    $heading =~ s/`//g;
    $heading = lc $heading;
    $heading =~ s/[^\w\- \x80-\xff]//g;
    $heading =~ tr/ /-/;
    return $heading;
}

my %anchors_of;
sub anchors {
    my ($page) = @_;
    return $anchors_of{$page} if $anchors_of{$page};
    my %anchors;
    my $in_code = 0;
    for my $row (split /\n/, read_raw($page)) {
        $in_code = !$in_code if $row =~ /^```/;
        $anchors{ anchor($1) } = 1 if !$in_code && $row =~ /^#+\s+(.*?)\s*$/;
    }
    return $anchors_of{$page} = \%anchors;
}

my @pages = grep { $_ eq 'README.md' || m{^(docs|examples)/.*\.md$} } @files;
my $links = 0;
for my $page (sort @pages) {
    my $text = read_raw("$root/$page");
    $text =~ s/^```.*?^```[^\n]*$//gms;    # code blocks
    $text =~ s/`[^`\n]*`//g;               # code spans
    while ($text =~ /!?\[[^\]]*\]\(([^)\s]+)(?:\s+"[^"]*")?\)/g) {
        my $target = $1;
        next if $target =~ m{^[a-z][a-z0-9+.-]*:}i;    # a web address
        ++$links;
        my ($path, $part) = $target =~ /^([^#]*)(?:#(.*))?$/;
        my $resolved =
            $path eq '' ? "$root/$page" : tidy("$root/" . dirname($page) . "/$path");
        if (index("$resolved/", "$root/") != 0 || !-e $resolved) {
            push @failures, "$page: the link $target leads to no file of the repository";
        } elsif (defined $part && !anchors($resolved)->{$part}) {
            push @failures, "$page: the link $target names no heading of that page";
        }
    }
}

print STDERR "$_\n" for @failures;
die "no link found in the guide\n" if $links == 0;
exit 1 if @failures;
print scalar(@files) . " files point nowhere outside; $links links of the guide lead to files\n";
exit 0;
