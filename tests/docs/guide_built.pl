#!/usr/bin/perl
# The guide as the Windows package carries it: cmake/Guide.cmake makes docs/ into HTML pages, and
# every page holds together as a browser opens it from the unpacked zip.
#
# Usage: perl guide_built.pl <source root> <work folder> <cmake> <xmllint>
#
# The guide of the real docs/ is made and checked: each document the three starting ones lead to
# is a page; each page has the skeleton (doctype, lang="ja", the UTF-8 charset, a title from its
# first heading, the way back to the index, its stylesheet) and xmllint reads it without a
# complaint; each heading of the Markdown is an element with the id GitHub gives it; each link
# and picture leads to a file of the guide and to an id of that page; no table is left as
# Markdown. Then small guides, each broken in one way, must each be refused by the one check
# meant for it, and one with Japanese and repeated headings must pass.
use strict;
use warnings;
use utf8;
use Encode qw(decode encode);
use File::Path qw(make_path remove_tree);

binmode STDOUT, ':encoding(UTF-8)';
binmode STDERR, ':encoding(UTF-8)';

@ARGV == 4 or die "usage: $0 <source root> <work folder> <cmake> <xmllint>\n";
my ($root, $work, $cmake, $xmllint) = @ARGV;
my @starting = qw(books export review messages);

sub read_utf8 {
    my ($path) = @_;
    open(my $in, '<:raw', $path) or die "cannot read $path: $!\n";
    my $text = do { local $/; <$in> };
    return decode('UTF-8', $text);
}

sub write_utf8 {
    my ($path, $text) = @_;
    open(my $out, '>:raw', $path) or die "cannot write $path: $!\n";
    print $out encode('UTF-8', $text);
}

# The guide of `docs` made into `out`: the failure Guide.cmake reports, empty when it made it.
sub make_guide {
    my ($docs, $out) = @_;
    my $said = `"$cmake" -DDOCS="$docs" -DOUT="$out" -P "$root/cmake/Guide.cmake" 2>&1`;
    return $? == 0 ? '' : decode('UTF-8', $said) || 'failed without a word';
}

# The Markdown's text without its code blocks and code spans, where links are not links.
sub prose {
    my ($markdown) = @_;
    $markdown =~ s/^```.*?^```[^\n]*$//gms;
    $markdown =~ s/`[^`\n]*`//g;
    return $markdown;
}

# The headings of a Markdown document, outside its code blocks, as their text reads.
sub headings {
    my ($markdown) = @_;
    my (@headings, $in_code);
    for my $line (split /\n/, $markdown) {
        $in_code = !$in_code if $line =~ /^```/;
        next if $in_code || $line !~ /^#{1,6}\s+(.*?)(?:\s+#+)?\s*$/;
        my $text = $1;
        $text =~ s/\[([^\]]*)\]\([^)]*\)/$1/g;    # a link reads as its text
        $text =~ s/`//g;
        push @headings, $text;
    }
    return @headings;
}

# GitHub's anchors of those headings: lower case, every character but letters, marks, digits,
# '_', '-' and blanks dropped, blanks as '-', a repeated one numbered -1, -2 ...
sub anchors {
    my (%seen, @anchors);
    for my $heading (@_) {
        my $anchor = lc $heading;
        $anchor =~ s/[^\p{L}\p{M}\p{N}\p{Pc}\- ]//g;
        $anchor =~ tr/ /-/;
        my ($unique, $count) = ($anchor, 0);
        $unique = "$anchor-" . ++$count while $seen{$unique};
        $seen{$unique} = 1;
        push @anchors, $unique;
    }
    return @anchors;
}

# The documents a guide must hold: the starting ones and every one they lead to.
sub documents {
    my ($docs) = @_;
    my @pending = @starting;
    my %found;
    while (defined(my $name = shift @pending)) {
        next if $found{$name}++ || !-f "$docs/$name.md";
        push @pending, prose(read_utf8("$docs/$name.md")) =~ /\]\(([\w-]+)\.md(?:#[^)]*)?\)/g;
    }
    return sort keys %found;
}

sub url_decoded {
    my ($text) = @_;
    $text =~ s/&amp;/&/g;
    return decode('UTF-8', encode('UTF-8', $text) =~ s/%([0-9A-Fa-f]{2})/chr hex $1/ger);
}

sub html_text {
    my ($html) = @_;
    $html =~ s/<[^>]*>//g;
    $html =~ s/&quot;/"/g;
    $html =~ s/&lt;/</g;
    $html =~ s/&gt;/>/g;
    $html =~ s/&amp;/&/g;
    return $html;
}

# What is wrong with the guide of `docs` in `guide`, one line each.
sub check_guide {
    my ($docs, $guide) = @_;
    my @failures;
    my %pages = (index => { title => '使い方', headings => [] });
    for my $name (documents($docs)) {
        my @headings = headings(read_utf8("$docs/$name.md"));
        $pages{$name} = { title => $headings[0] // $name, headings => \@headings };
    }
    my %ids;
    for my $name (keys %pages) {
        my $path = "$guide/$name.html";
        if (!-f $path) {
            push @failures, "$name.html: missing";
            next;
        }
        my $html = read_utf8($path);
        $pages{$name}{html} = $html;
        $ids{"$name.html"} = { map { (url_decoded($_) => 1) } $html =~ /\bid="([^"]*)"/g };
    }
    for my $name (sort keys %pages) {
        my $html = $pages{$name}{html} // next;
        my $page = "$name.html";
        push @failures, "$page: no <!DOCTYPE html> first" unless $html =~ /\A<!DOCTYPE html>\n/;
        push @failures, "$page: not <html lang=\"ja\">" unless $html =~ /<html lang="ja">/;
        push @failures, "$page: no UTF-8 charset" unless $html =~ /<meta charset="utf-8">/;
        my ($title) = $html =~ m{<title>([^<]*)</title>};
        push @failures, "$page: its title is not \"$pages{$name}{title}\""
            unless defined $title && html_text($title) eq $pages{$name}{title};
        push @failures, "$page: no way back to the index"
            unless $name eq 'index' || $html =~ /<a href="index\.html">/;
        push @failures, "$page: no stylesheet" unless $html =~ /<link rel="stylesheet" href="[^"]+">/;
        my $complaints = `"$xmllint" --html --noout "$guide/$page" 2>&1`;
        push @failures, "$page: xmllint: " . decode('UTF-8', $complaints) if $complaints ne '' || $?;
        for my $anchor (anchors(@{ $pages{$name}{headings} })) {
            push @failures, "$page: no heading with the id \"$anchor\"" unless $ids{$page}{$anchor};
        }
        for my $target ($html =~ /<(?:a|link)\s[^>]*\bhref="([^"]*)"/g) {
            next if $target =~ /^[a-z][a-z0-9+.-]*:/i;    # a web address
            my ($file, $part) = url_decoded($target) =~ /^([^#]*)(?:#(.*))?$/;
            $file = $page if $file eq '';
            if ($file =~ /\.md$/) {
                push @failures, "$page: $target still leads to the Markdown";
            } elsif ($file =~ m{/} || !-f "$guide/$file") {
                push @failures, "$page: $target leads to no file of the guide";
            } elsif (defined $part && !$ids{$file}{$part}) {
                push @failures, "$page: $target names no id of $file";
            }
        }
        for my $picture ($html =~ /<img\s[^>]*\bsrc="([^"]*)"/g) {
            push @failures, "$page: the picture $picture is not in the guide"
                if $picture =~ m{/} || !-f "$guide/$picture";
        }
        push @failures, "$page: a table left as Markdown: $1" if $html =~ /^(\|?\s*:?-{3,}:?\s*\|.*)$/m;
    }
    push @failures, "index.html: does not lead to $_.html"
        for grep { ($pages{index}{html} // '') !~ /href="$_\.html"/ } @starting;
    return @failures;
}

my $failed = 0;
sub fail { print STDERR "FAIL: $_[0]\n"; $failed = 1 }

# --- the guide of the real docs.
remove_tree($work);
make_path($work);
my $guide = "$work/guide";
if (my $why = make_guide("$root/docs", $guide)) {
    fail("the guide of docs/ was not made: $why");
} else {
    fail("docs/ guide: $_") for check_guide("$root/docs", $guide);
}
my $made = grep { -f "$guide/$_.html" } documents("$root/docs");
fail("docs/ guide: only $made pages") if $made < @starting;

# --- small guides, each broken in one way. A case gives the documents beside the three starting
# ones' defaults, and what is done to the guide once made (a file removed, or a pattern of one of
# its pages replaced); it must be refused with the words given, or pass when there are none.
my %defaults = (
    'books.md'    => "# 帳簿フォルダ\n\nSee [the export](export.md#running) and [messages](messages.md).\n",
    'export.md'   => "# The export\n\n## Running\n\nSee [the books](books.md#帳簿フォルダ).\n",
    'messages.md' => "# Messages\n\n| message | cause |\n|---|---|\n| 帳簿がありません。 | no books |\n",
    'review.md'   => "# Reviewing\n\nSee [messages](messages.md).\n",
    'office.md'   => "# The office's year-end\n\nSee [reviewing](review.md).\n",
    'shot.png'    => "\x89PNG\r\n\x1a\n",
);
my @cases = (
    [   'Japanese, coded and repeated headings, a table, a picture and a link out of docs/',
        {   'books.md' => "# 帳簿フォルダ\n\n## 決算書・集計条件の画面（Windows）\n\n## Example\n\n"
                . "## Example\n\n## `kcbooks import` の使い方\n\n## ＸＭＬ ファイル — 出力\n\n"
                . "[a](#決算書集計条件の画面windows) [b](#example-1) [c](#kcbooks-import-の使い方)\n"
                . "[d](#ｘｍｌ-ファイル--出力) [e](export.md#running) [f](file.md#sections)\n"
                . "[g](../examples/sample-books/) ![shot](shot.png)\n\n| a | b |\n|---|---|\n| 1 | 2 |\n",
            'file.md'  => "# The file\n\n## Sections\n\nSee [deeper](deeper.md).\n",
            'deeper.md' => "# Deeper\n\nBack to [the file](file.md#the-file).\n",
        },
        undef, undef
    ],
    [ 'a link to a part no page has', { 'books.md' => "# B\n\n[x](export.md#nowhere)\n" },
      undef, qr/books\.html: export\.html#nowhere names no id of export\.html/ ],
    [ 'a link to a part of its own page that is not there', { 'books.md' => "# B\n\n[x](#nowhere)\n" },
      undef, qr/books\.html: #nowhere names no id of books\.html/ ],
    [ 'a link to a document docs/ lacks', { 'books.md' => "# B\n\n[x](gone.md)\n" },
      undef, qr/gone\.md is linked to but missing/ ],
    [ 'a picture docs/ lacks', { 'books.md' => "# B\n\n![x](gone.png)\n" },
      undef, qr/shows gone\.png/ ],
    [ 'a heading without its id', {}, [ 'export.html', qr/<h2 id="running">/, '<h2>' ],
      qr/export\.html: no heading with the id "running"/ ],
    [ 'a page missing', { 'books.md' => "# B\n\n[x](file.md)\n", 'file.md' => "# F\n" },
      [ 'file.html' ], qr/file\.html: missing/ ],
    [ 'a picture missing', { 'books.md' => "# B\n\n![x](shot.png)\n" }, [ 'shot.png' ],
      qr/the picture shot\.png is not in the guide/ ],
    [ 'a link left to the Markdown', {}, [ 'books.html', qr/messages\.html/, 'messages.md' ],
      qr/messages\.md still leads to the Markdown/ ],
    [ 'a link out of the guide', {}, [ 'books.html', qr/messages\.html/, '../messages.html' ],
      qr/leads to no file of the guide/ ],
    [ 'a table left as Markdown', {}, [ 'messages.html', qr/<table>/, "| a | b |\n|---|---|\n<table>" ],
      qr/messages\.html: a table left as Markdown/ ],
    [ 'another charset', {}, [ 'export.html', qr/charset="utf-8"/, 'charset="shift_jis"' ],
      qr/export\.html: no UTF-8 charset/ ],
    [ 'another title', {}, [ 'export.html', qr/<title>The export/, '<title>Export' ],
      qr/export\.html: its title is not "The export"/ ],
    [ 'tags that do not close', {}, [ 'export.html', qr{</h2>}, '</h3>' ], qr/export\.html: xmllint/ ],
    [ 'no way back', {}, [ 'books.html', qr/<a href="index\.html">/, '<a href="#">' ],
      qr/books\.html: no way back to the index/ ],
    [ 'an index that leads to no page', {}, [ 'index.html', qr/href="messages\.html"/, 'href="#"' ],
      qr/index\.html: does not lead to messages\.html/ ],
);
for my $case (@cases) {
    my ($name, $files, $change, $expected) = @$case;
    (my $folder = $name) =~ s/\W+/-/g;
    my ($docs, $out) = ("$work/$folder/docs", "$work/$folder/guide");
    make_path($docs);
    my %all = (%defaults, %$files);
    write_utf8("$docs/$_", $all{$_}) for keys %all;
    my @failures = make_guide($docs, $out);
    if ($failures[0] eq '') {
        if ($change && @$change == 1) {
            unlink "$out/$change->[0]" or die "cannot remove $out/$change->[0]\n";
        } elsif ($change) {
            my ($page, $pattern, $replacement) = @$change;
            my $html = read_utf8("$out/$page");
            $html =~ s/$pattern/$replacement/ or die "$name: $pattern is not in $page\n";
            write_utf8("$out/$page", $html);
        }
        @failures = check_guide($docs, $out);
    }
    if (!defined $expected) {
        fail("$name: $_") for @failures;
    } elsif (!grep { /$expected/ } @failures) {
        fail("$name: not refused as $expected, but: " . (join(' / ', @failures) || 'passed'));
    }
}

exit 1 if $failed;
print "the guide's pages hold together; " . scalar(@cases) . " small guides are judged as they should\n";
exit 0;
