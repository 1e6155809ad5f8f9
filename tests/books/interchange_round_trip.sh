#!/bin/bash
# Books through the journal interchange form and back: books -> kcbooks export-journal ->
# kcbooks convert -> kcbooks import -> export, and the statements' figures (section, label, amount)
# equal those of the books' own export, with the ledger and without it.
#
# Usage: interchange_round_trip.sh KCBOOKS KCSAKURA BOOKS_FOLDER WORK
# Exits 77 (skipped) while kcbooks has no convert command.
set -euo pipefail
kcbooks=$1 kcsakura=$2 books=$3 work=$4

usage=$("$kcbooks" 2>&1 || true)
if [[ $usage != *"kcbooks convert"* ]]; then
    echo "SKIP: kcbooks has no convert command yet"
    exit 77
fi

rm -rf "$work"
mkdir -p "$work"

# The form holds whole yen: the books' amounts with a fraction of a yen go in rounded, as
# export-journal would write them, so that both sides start from the same books.
cp -r "$books" "$work/books"
perl -i -pe 's/(?<=,)(-?\d+)\.(\d+)(?=,)/sprintf("%.0f", "$1.$2")/ge' "$work/books/journal.csv"

# The figures of an exported file, one per line: the statement or ledger section, the label the
# figure stands under (its Label, or the last name before it), the element and the amount. The
# notes do not travel through the form.
figures() {
    perl -ne '
        if (/^\s*<(\w+)((?:\s+\w+="[^"]*")*)\s*>(.*?)<\/\1>\s*$/) {
            my ($tag, $attrs, $text) = ($1, $2, $3);
            my ($own) = $attrs =~ /Label="([^"]*)"/;
            my ($amount) = $attrs =~ /Amount="([^"]*)"/;
            next if $section eq "ListNotesNonConsolidated";
            print "$section\t$own\t$tag\t$amount\n" if defined $amount;
            if ($text =~ /^-?\d+$/) { print "$section\t", $own // $label, "\t$tag\t$text\n" }
            elsif ($text ne "") { $label = $text }
        } elsif (/^\s*<(\w+)((?:\s+\w+="[^"]*")*)\s*>\s*$/) {
            my ($tag, $attrs) = ($1, $2);
            push @open, $tag;
            $section = $tag if @open == 3;
            my ($own) = $attrs =~ /Label="([^"]*)"/;
            my ($amount) = $attrs =~ /Amount="([^"]*)"/;
            $label = $own // "";
            print "$section\t$own\t$tag\t$amount\n" if defined $amount;
        } elsif (/^\s*<\/(\w+)>/) {
            pop @open;
        }' "$1"
}

export_books() {  # STORE NAME
    for ledger in ledger no-ledger; do
        "$kcsakura" --books "$1" --ui batch --start-month 4 --end-month 3 --kind 1 "--$ledger" \
            --out "$work/$2-$ledger.xml" --yes --settings-folder "$work/$2-settings" \
            >"$work/$2-$ledger.log" 2>&1
        figures "$work/$2-$ledger.xml" >"$work/$2-$ledger.figures"
    done
}

"$kcbooks" import "$work/books" "$work/original.books"
export_books "$work/original.books" original

"$kcbooks" export-journal "$work/original.books" -o "$work/journal.csv" \
    --openings "$work/openings.csv"
# The books' own chart of accounts serves as the chart (in Shift_JIS, as the journal is): the
# standard chart need not know every name of the books.
company=$(sed -n 2p "$work/books/company.csv" | cut -d, -f3)
iconv -f UTF-8 -t CP932 "$work/books/accounts.csv" >"$work/chart.csv"
"$kcbooks" convert "$work/journal.csv" --openings "$work/openings.csv" --company "$company" \
    --chart "$work/chart.csv" -o "$work/converted"
"$kcbooks" import "$work/converted" "$work/converted.books"
export_books "$work/converted.books" converted

status=0
for ledger in ledger no-ledger; do
    count=$(wc -l <"$work/original-$ledger.figures")
    if [ "$count" -lt 50 ]; then
        echo "the original export ($ledger) holds only $count figures"
        status=1
    elif ! diff "$work/original-$ledger.figures" "$work/converted-$ledger.figures" \
        >"$work/$ledger.diff"; then
        echo "the figures differ after the round trip ($ledger):"
        iconv -f CP932 -t UTF-8 "$work/$ledger.diff" | head -40
        status=1
    else
        echo "$count figures equal after the round trip ($ledger)"
    fi
done

# The standard chart alone knows the books' names too: their manufacturing accounts written
# without [製] (賃金) or with （製造）, and 商品仕入高. The figures are the same amounts in the same
# sections, under the standard chart's names and in its order.
"$kcbooks" convert "$work/journal.csv" --openings "$work/openings.csv" --company "$company" \
    -o "$work/standard" >"$work/standard.report"
"$kcbooks" import "$work/standard" "$work/standard.books"
export_books "$work/standard.books" standard
amounts() { cut -f1,4 "$1" | grep -v '	$' | sort; }
if ! diff <(amounts "$work/original-no-ledger.figures") <(amounts "$work/standard-no-ledger.figures") \
    >"$work/standard.diff"; then
    echo "the amounts differ through the standard chart:"
    iconv -f CP932 -t UTF-8 "$work/standard.diff" | head -40
    status=1
else
    echo "$(amounts "$work/standard-no-ledger.figures" | wc -l) amounts equal through the standard chart"
fi
# The books' own chart taken whole (--chart-only) brings their statements back as they were: the
# file without the ledger is the same byte for byte but for the notes, which the form does not
# carry, and holds none of the standard chart's headings and totals. (The ledger's counter-account
# of a few lines differs: the form writes an entry's tax on lines of its own.)
"$kcbooks" convert "$work/journal.csv" --openings "$work/openings.csv" --company "$company" \
    --chart-only "$work/chart.csv" -o "$work/whole" >"$work/whole.report"
"$kcbooks" import "$work/whole" "$work/whole.books"
export_books "$work/whole.books" whole
without_notes() { perl -0pe 's/\t\t<ListNotesNonConsolidated>.*?<\/ListNotesNonConsolidated>\r?\n//s' "$1"; }
if ! cmp -s <(without_notes "$work/original-no-ledger.xml") <(without_notes "$work/whole-no-ledger.xml"); then
    echo "the statements differ through the chart taken whole:"
    diff <(without_notes "$work/original-no-ledger.xml") <(without_notes "$work/whole-no-ledger.xml") |
        iconv -f CP932 -t UTF-8 | head -20
    status=1
else
    echo "the statements are the same through the chart taken whole"
fi
exit $status
