#!/usr/bin/perl
# Every message the program, kcbooks or kcview can show must be quoted in docs/messages.md.
#
# Usage: perl messages_documented.pl <source root> [<messages file>]
#
# The check takes every string literal that holds at least one character outside ASCII from the
# .cpp and .h files under the folders below (tests and fuzz targets are not shipped and are skipped),
# drops the literals listed at the end of this file (they are names, labels or formats, not
# messages), and cuts each remaining literal into pieces at its line breaks ("\n", "\r\n"), tabs
# and printf conversions (%d, %s, %ld ...). Each piece, with the blanks at its ends removed, that
# still holds a character outside ASCII must appear somewhere in the messages file.
#
# So a message built from several literals, or from literals and numbers, is documented by quoting
# the whole text as the user sees it, one line of the message box on one line of the guide, with the
# variable parts written as 〈placeholders〉.
use strict;
use warnings;
use File::Find;

my $root = shift @ARGV or die "usage: $0 <source root> [<messages file>]\n";
my $doc_path = shift(@ARGV) // "$root/docs/messages.md";
my @folders = qw(app dialog report aggregation host books messages tools);

open(my $doc_in, '<:raw', $doc_path) or die "cannot read $doc_path: $!\n";
my $doc = do { local $/; <$doc_in> };
close $doc_in;

# The exclusion list: "<file>\t<literal as written in the source>" or "<file>\t*" for a whole file.
my (%skip_literal, %skip_file);
while (my $line = <DATA>) {
    chomp $line;
    next if $line =~ /^\s*(#|$)/;
    my ($file, $literal) = split /\t/, $line, 2;
    die "malformed exclusion: $line\n" unless defined $literal;
    if ($literal eq '*') { $skip_file{$file} = 1 } else { $skip_literal{"$file\t$literal"} = 0 }
}

my @sources;
find(
    {   no_chdir => 1,
        wanted   => sub {
            return unless -f $_ && /\.(cpp|h)$/;
            my $rel = substr($_, length($root) + 1);
            return if $rel =~ m{(^|/)(tests|fuzz)/};
            push @sources, $rel;
        }
    },
    map { "$root/$_" } grep { -d "$root/$_" } @folders);

my ($checked, @missing) = (0);
for my $rel (sort @sources) {
    next if $skip_file{$rel};
    open(my $in, '<:raw', "$root/$rel") or die "cannot read $rel: $!\n";
    my $text = do { local $/; <$in> };
    close $in;
    # A small tokenizer: comments and character literals are passed over, string literals kept.
    while ($text =~ m{\G(?: (//[^\n]*) | (/\*.*?\*/) | ('(?:[^'\\\n]|\\.)*') | "((?:[^"\\\n]|\\.)*)" | (.) )}gsx) {
        my $literal = $4;
        next unless defined $literal && $literal =~ /[^\x00-\x7F]/;
        my $key = "$rel\t\"$literal\"";
        if (exists $skip_literal{$key}) { $skip_literal{$key}++; next }
        for my $piece (split /\\r|\\n|\\t|%-?[0-9.]*l{0,2}[dsuxc]/, $literal) {
            $piece =~ s/\\"/"/g;
            $piece =~ s/\\\\/\\/g;
            $piece =~ s/^\s+|\s+$//g;
            next unless $piece =~ /[^\x00-\x7F]/;
            $checked++;
            push @missing, "$rel: $piece" if index($doc, $piece) < 0;
        }
    }
}

# An exclusion that no longer matches anything is stale and would hide a future message.
my @stale = grep { $skip_literal{$_} == 0 } sort keys %skip_literal;
print STDERR "stale exclusion (the literal is gone): $_\n" for @stale;
print STDERR "not quoted in $doc_path: $_\n" for @missing;
die "no message found under $root\n" if $checked == 0;
exit 1 if @missing || @stale;
print "$checked message pieces, all quoted in $doc_path\n";
exit 0;

__DATA__
# Not messages. Each entry is the source file, a tab, and the literal exactly as written there.

# The books the generator writes: account names, descriptions and notes of an invented company.
tools/generate/Generator.cpp	*

# What a dropped path holds: company words, and the first fields of the interchange forms.
tools/kcbooks/FoundBooks.cpp	*

# Names of the figures and headings in the XML file, and of the net assets lines.
report/LedgerSection.cpp	*
report/NetAssetsSection.cpp	*

# The period shown in the condition dialog, a label, not a message.
app/LinkApp.cpp	" %04d/%02d/%02d～%04d/%02d/%02d"

# Labels of the condition dialog: the output group and the title of the save-file dialog.
dialog/ConditionDialog.cpp	"出力先"
dialog/ConditionDialog.cpp	"保存ファイルを指定"

# The terminal form of the condition dialog: its title, labels, buttons and key line.
host/posix/ConditionForm.cpp	*

# The terminal dialogs' buttons and key lines.
host/posix/Dialogs.cpp	"Enter:保存  Esc:キャンセル"
host/posix/Dialogs.cpp	"Esc:キャンセル"
host/posix/Dialogs.cpp	"はい(Y)"
host/posix/Dialogs.cpp	"いいえ(N)"

# The help text of the host options names the dialog's 実行 button.
host/HostOptions.cpp	"                         batch: what is entered in the dialog before 実行 is pressed\n"

# The review page's headings and labels, not messages: its markup with its fixed texts (quoted in
# the guide's section on the page), the statements' section headings, the net assets' account
# labels and groups, and the ledger's account categories as the export writes them.
tools/kcview/Page.cpp	*
tools/kcview/ComparisonPage.cpp	*
tools/kcview/SectionHeadings.cpp	*
tools/kcview/NetAssetsGroups.cpp	*
tools/kcview/LedgerSides.cpp	*
tools/kcview/Comparison.cpp	"負債及び純資産合計"
tools/kcview/Comparison.cpp	"社員資本等変動計算書"

# The office's summary page: its headings, labels and columns, quoted in docs/office.md.
tools/kcoffice/Summary.cpp	*

# The reason the changes in net assets gives for net income, looked up in the file.
tools/kcview/Checks.cpp	"当期純利益"

# The words of the journal interchange form kcbooks export-journal writes into its files.
tools/interchange/InterchangeWords.h	*

# Keys of the edition's product information, looked up, never shown.
report/SupportInfo.cpp	"[=製品名=]"
report/SupportInfo.cpp	"[=製品ﾊﾞｰｼﾞｮﾝ=]"

# The interchange forms' own words, which the converter reads: header fields, sides,
# settlement marks, tax categories and the prefix of manufacturing accounts.
tools/convert/InterchangeFields.cpp	*
tools/convert/Converter.cpp	"識別フラグ"
tools/convert/Converter.cpp	"期首日"
tools/convert/Converter.cpp	"借方"
tools/convert/Converter.cpp	"貸方"
tools/convert/Converter.cpp	"繰越利益"
tools/convert/Converter.cpp	"[製]"
tools/convert/Converter.cpp	"中決"
tools/convert/Converter.cpp	"本決"
# The names programs give accounts of the standard chart, which the chart finds.
tools/convert/Chart.cpp	"（製造）"
tools/convert/Chart.cpp	"(製造)"
tools/convert/AccountAliases.cpp	*
# The labels of accounts the review's checks read: listed in docs/review.md (test
# review_labels_documented), never shown as messages.
tools/kcview/AccountLabels.cpp	*
tools/kcview/LedgerFacts.cpp	*
