#!/usr/bin/perl
# The house holds: the operating system's calls are made by the floor (native/) and the hosts
# (host/) only, and a message piece the user reads is written in one source file.
#
#   floor_holds.pl SOURCE_ROOT
use strict;
use warnings;
use File::Find;

my $root = shift or die "usage: floor_holds.pl SOURCE_ROOT\n";
chdir $root or die "$root: $!\n";

# The product's folders above the floor; native/ and host/ reach the system themselves.
my @product = qw(common platform ledger files books messages tools app dialog progress report fiscal
                 aggregation editions resources);
my @system = ('<windows.h>', '<unistd.h>', '<fcntl.h>', '<signal.h>', 'rename(', 'MoveFileExW',
              'flock', 'sigaction');

my @sources;
find(sub { push @sources, $File::Find::name if /\.(?:cpp|h|inc)$/ },
     grep { -d } @product, 'native', 'host');

my $faults = 0;
sub fault { print "$_[0]\n"; $faults++ }

sub text_of {
    my ($path) = @_;
    open my $in, '<', $path or die "$path: $!\n";
    local $/;
    return <$in>;
}

# 1. The system's calls and headers, comments included: a comment that names one tells a reader
#    the call is made here.
for my $path (grep { !m{^(?:native|host)/} } @sources) {
    my @lines = split /\n/, text_of($path);
    for my $n (0 .. $#lines) {
        for my $word (@system) {
            fault("$path:" . ($n + 1) . ": $word belongs to native/ or host/")
                if index($lines[$n], $word) >= 0;
        }
    }
}

# 2. The floor's portable part holds no host's branch: what differs lives in native/posix/ and
#    native/win32/, one owner per host.
for my $path (grep { m{^native/[^/]+$} } @sources) {
    my @lines = split /\n/, text_of($path);
    for my $n (0 .. $#lines) {
        for my $word (@system, '_WIN32') {
            fault("$path:" . ($n + 1) . ": $word belongs to native/posix/ or native/win32/")
                if index($lines[$n], $word) >= 0;
        }
    }
}

# 3. The floor's two hosts hold the same files.
my %side;
for my $host (qw(posix win32)) {
    opendir my $dir, "native/$host" or die "native/$host: $!\n";
    $side{$host} = join ' ', sort grep { !/^\./ } readdir $dir;
}
fault("native/posix ($side{posix}) and native/win32 ($side{win32}) hold different files")
    if $side{posix} ne $side{win32};

# 4. A message piece (a sentence: it holds 。, or the programs' caption) is written once.
my %where;
for my $path (@sources) {
    my $text = text_of($path);
    $text =~ s{//[^\n]*}{}g;
    while ($text =~ /(?:L|u8)?"((?:[^"\\\n]|\\.)*)"/g) {
        my $piece = $1;
        next unless $piece =~ /\x{3002}|\xE3\x80\x82/ || $piece eq "\xE6\xB1\xBA\xE7\xAE\x97\xE6\x9B\xB8";
        $where{$piece}{$path} = 1;
    }
}
for my $piece (sort keys %where) {
    my @files = sort keys %{ $where{$piece} };
    fault("\"$piece\" is written in " . scalar(@files) . " files: @files") if @files > 1;
}

print "the floor holds\n" unless $faults;
exit($faults ? 1 : 0);
