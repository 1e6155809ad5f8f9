# make test         installs what is missing, builds, runs the suite, then runs it again under
#                   AddressSanitizer + UndefinedBehaviorSanitizer, then the Windows suite under Wine,
#                   then the fuzz targets for a few seconds each
# make fuzz         builds the libFuzzer targets with clang and runs each briefly (fuzz/run.sh)
# make demo         imports the sample books and exports them with kcsakura, started through kccaller;
#                   then the year before, and the review page of both years
# make bench        the export and import table at scale (release build), kcview's page of the
#                   100k export, the 1M books through the journal interchange form
#                   (bench/interchange.sh) and kcoffice's year-end of 100 clients of 10k entries
#                   beside the same work as plain commands (bench/office.sh); bench-review that page
#                   alone; bench-office the office's year-end alone; bench-pairs the 1M export and
#                   its copy writing into the same kind of memory; bench-micro the rest
# make bench-windows  under Wine and Xvfb, the export through the real dialog (driven by kcuser.exe)
#                   beside the batch export, for the sample books, 10k and 100k entries
#                   (BENCH_WINDOWS_SIZES, BENCH_RUNS; bench/windows.sh)
# make windows      cross-builds the Windows editions and packs each one as a zip a user starts from
#                   and as an MSI a user installs without administrator rights
# make screenshots  the condition dialog and the progress window under Xvfb, the editions' icons,
#                   and the review page, into docs/ (review-screenshot: the review page and the
#                   office's summary, without Wine; review-print: two of its pages as printed on A4)

PACKAGES := cmake ninja-build g++ pkg-config nodejs libsqlite3-dev libgtest-dev libgmock-dev \
            libbenchmark-dev libncurses-dev libxml2-dev libxml2-utils sqlite3 time perl
# The review page's browser test: Debian's chromium, driven from node over the DevTools protocol;
# its print test reads the printed PDF back with poppler's pdfinfo, pdftotext and pdftoppm.
PACKAGES += chromium poppler-utils
# The user's guide as HTML pages (cmake/Guide.cmake): Debian's cmark-gfm, for GitHub's tables.
PACKAGES += cmark-gfm
# libFuzzer and the sanitizers' runtime come with clang.
PACKAGES += clang libclang-rt-dev
# The Windows program: the cross compiler, Wine with Japanese fonts and locale, a display.
WINDOWS_PACKAGES := g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev \
            wine64 wine xvfb xauth xdotool imagemagick locales fonts-ipafont-gothic \
            fonts-ipafont-mincho fonts-wine nodejs
# Each edition's icon: its SVG drawn at every size (rsvg-convert) and packed into one .ico
# (icotool); wrestool takes the icons back out of the built programs for the picture in docs/.
WINDOWS_PACKAGES += librsvg2-bin icoutils
# Each zip carries the guide as HTML, made at packing time.
WINDOWS_PACKAGES += cmark-gfm
# Each edition's Windows Installer package: wixl builds it, msitools' msibuild puts right what
# wixl cannot write (Japanese strings, kcbooks.ini kept), msiinfo and msiextract read it back.
WINDOWS_PACKAGES += wixl msitools
BUILD    := build
ASAN     := build-asan
RELEASE  := build-release
WINBUILD := build-win
FUZZ     := build-fuzz
JOBS     ?= 2
VERSION  := 22.03.00
EDITIONS := kcsakura kcqb7 kcneo kcstd
# The display of the Windows suite's windows.
TEST_DISPLAY ?= :99
WINE_ENV := WINEPREFIX=$(CURDIR)/$(WINBUILD)/wineprefix WINEDEBUG=-all LC_ALL=ja_JP.UTF-8

.PHONY: all install-deps install-windows-deps windows-build build test test-native test-windows demo bench bench-review bench-office bench-pairs bench-micro bench-windows windows screenshots \
        review-screenshot review-print clean format fuzz

all: build

# Installs the Debian packages of $(1) that are missing.
define install_packages
	@missing=""; for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  SUDO=""; [ "$$(id -u)" -ne 0 ] && SUDO=sudo; \
	  $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing; \
	fi
endef

install-deps:
	$(call install_packages,$(PACKAGES))

# Wine takes code page 932 as the ANSI code page from the Japanese locale.
install-windows-deps:
	$(call install_packages,$(WINDOWS_PACKAGES))
	@if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$$'; then \
	  SUDO=""; [ "$$(id -u)" -ne 0 ] && SUDO=sudo; \
	  $$SUDO sed -i 's/^# *ja_JP.UTF-8/ja_JP.UTF-8/' /etc/locale.gen && $$SUDO locale-gen >/dev/null; \
	fi

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug

$(ASAN)/build.ninja:
	cmake -S . -B $(ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKC_SANITIZE=ON

$(RELEASE)/build.ninja:
	cmake -S . -B $(RELEASE) -G Ninja -DCMAKE_BUILD_TYPE=Release

$(WINBUILD)/build.ninja:
	cmake -S . -B $(WINBUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	  -DKC_NATIVE_DIST=$(CURDIR)/$(BUILD)/dist -DKC_TEST_DISPLAY=$(TEST_DISPLAY)

build: install-deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

test: test-native test-windows fuzz

test-native: build $(ASAN)/build.ninja
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	cmake --build $(ASAN) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(ASAN) --output-on-failure -j $(JOBS)

# The neutral suite, the Windows host's own tests and the end to end under Wine, on a display of
# their own. Wine now and then ends a program at its start, silently and at once: a test that
# fails is run once more, and fails the suite only when it fails again. A program that faults
# starts Wine's debugger, which can hang: no test may take more than 10 minutes. A server of the
# prefix left running (by a script run by hand) would never end: it is stopped first. One
# wineserver serves the whole run; started by a test, it would keep CTest's output pipe open; the
# prefix is made first, since making it restarts the server. The windows open on
# one virtual desktop: on a bare X server Wine takes seconds to show or hide each window, and the
# window's thread answers nothing meanwhile. The desktop is taken by the first program that
# starts it (`reg add` is one), so the server starts again once the setting is written, and a
# program outside CTest brings the desktop and Wine's services up again: started by a test,
# they would keep CTest's output pipe open.
test-windows: build windows-build
	@status=0; \
	Xvfb $(TEST_DISPLAY) -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & xvfb=$$!; sleep 1; \
	$(WINE_ENV) wineserver -k >/dev/null 2>&1; \
	$(WINE_ENV) $(WINBUILD)/wine-run wineboot -i >/dev/null 2>&1; \
	$(WINE_ENV) wineserver -w; \
	$(WINE_ENV) wineserver -p >/dev/null 2>&1; \
	$(WINE_ENV) DISPLAY=$(TEST_DISPLAY) $(WINBUILD)/wine-run reg add 'HKCU\Software\Wine\Explorer' \
	  /v Desktop /d Default /f >/dev/null 2>&1; \
	$(WINE_ENV) DISPLAY=$(TEST_DISPLAY) $(WINBUILD)/wine-run reg add \
	  'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1; \
	$(WINE_ENV) wineserver -k >/dev/null 2>&1; $(WINE_ENV) wineserver -w; \
	$(WINE_ENV) wineserver -p >/dev/null 2>&1; \
	$(WINE_ENV) DISPLAY=$(TEST_DISPLAY) $(WINBUILD)/wine-run reg query 'HKCU\Software\Wine\Explorer' \
	  >/dev/null 2>&1; \
	$(WINE_ENV) DISPLAY=$(TEST_DISPLAY) ctest --test-dir $(WINBUILD) --output-on-failure -j $(JOBS) \
	  --repeat until-pass:2 --timeout 600 \
	  || status=$$?; \
	$(WINE_ENV) wineserver -k >/dev/null 2>&1; kill $$xvfb 2>/dev/null; exit $$status

# About 20 s of fuzzing in all, from the seeds in fuzz/corpus: any finding fails the run.
fuzz: install-deps
	JOBS=$(JOBS) bash fuzz/run.sh $(CURDIR)/$(FUZZ)

windows-build: install-windows-deps $(WINBUILD)/build.ninja
	cmake --build $(WINBUILD) -j $(JOBS)

# Each edition as one zip a Windows user starts from: the edition's folder (its program,
# ZezavareDef.ini, SUPPORT.INF, a kcbooks.ini to fill in) and beside it kcbooks.exe, kcview.exe
# (an exported file dropped on it gets its review page), the sample books and a README.txt
# (cmake/PackEdition.cmake). Beside each zip the same files as a Windows Installer package,
# installed per user with a Start menu folder (cmake/PackMsi.cmake). The caller's stand-in stays
# beside them.
windows: windows-build
	@for e in $(EDITIONS); do \
	  cmake -DDIST=$(CURDIR)/$(WINBUILD)/dist -DEDITION=$$e -DVERSION=$(VERSION) -DSOURCE=$(CURDIR) \
	    -DWORK=$(CURDIR)/$(WINBUILD)/package/$$e -DZIP=$(CURDIR)/$(WINBUILD)/dist/$$e-$(VERSION)-win64.zip \
	    -P cmake/PackEdition.cmake || exit 1; \
	  echo "$(WINBUILD)/dist/$$e-$(VERSION)-win64.zip"; \
	  cmake -DLAYOUT=$(CURDIR)/$(WINBUILD)/package/$$e -DEDITION=$$e -DVERSION=$(VERSION) -DSOURCE=$(CURDIR) \
	    -DMSI=$(CURDIR)/$(WINBUILD)/dist/$$e-$(VERSION)-win64.msi -P cmake/PackMsi.cmake || exit 1; \
	  echo "$(WINBUILD)/dist/$$e-$(VERSION)-win64.msi"; \
	done

screenshots: windows-build review-screenshot review-print
	bash tests/host/win32/screenshots.sh $(WINBUILD) docs
	sh tests/host/win32/icon-sheet.sh $(WINBUILD) docs

# The review page of the sample books' year (with its ledger, the first account opened), and of
# that year beside the year before, in headless Chromium.
review-screenshot: build
	bash tests/view/browser.sh $(BUILD)/dist examples/sample-books $(BUILD)/review-screenshot 0 \
	  examples/sample-books-2024
	cp $(BUILD)/review-screenshot/sample.png docs/review-page.png
	cp $(BUILD)/review-screenshot/two-years.png docs/review-two-years.png
	cp $(BUILD)/review-screenshot/sample-ledger.png docs/review-ledger.png
	bash tests/office/office_e2e.sh $(BUILD)/dist $(BUILD)/office-screenshot
	convert $(BUILD)/office-screenshot/summary.png -crop 1200x420+0+0 +repage docs/office-summary.png

# Two pages of the sample books' review page as Chromium prints them on A4, side by side.
review-print: build
	bash tests/view/print.sh $(BUILD)/dist examples/sample-books $(BUILD)/review-print \
	  $(CURDIR)/docs/review-print.png

demo: build
	$(BUILD)/dist/kcbooks import examples/sample-books $(BUILD)/sample.books
	@mkdir -p out
	@echo "--- kcsakura started by a caller (window 4242, message 1025, wParam 3), whole fiscal year, no ledger:"
	@$(BUILD)/dist/kccaller --window 4242 --message 1025 --wparam 3 -- \
	  $(BUILD)/dist/kcsakura/kcsakura --books $(BUILD)/sample.books --user yamada --ui batch \
	  --start-month 4 --end-month 3 --no-ledger --out out/sample.xml --yes \
	  --settings-folder $(BUILD)/demo-settings; \
	  rc=$$?; echo "--- the XML file: $$(pwd)/out/sample.xml"; echo "--- posted result: $$rc"; \
	  [ $$rc -eq 0 ] || exit $$rc
	@echo "--- the review page and its checks:"
	$(BUILD)/dist/kcview out/sample.xml -o out/sample.html
	@echo "--- the year before (examples/sample-books-2024), exported the same way:"
	$(BUILD)/dist/kcbooks import examples/sample-books-2024 $(BUILD)/sample-2024.books
	$(BUILD)/dist/kcsakura/kcsakura --books $(BUILD)/sample-2024.books --user yamada --ui batch \
	  --start-month 4 --end-month 3 --no-ledger --out out/sample-2024.xml --yes \
	  --settings-folder $(BUILD)/demo-settings
	@echo "--- the review page of both years, last year's figures beside this year's, checked against the books:"
	$(BUILD)/dist/kcview out/sample.xml --previous out/sample-2024.xml --books $(BUILD)/sample.books \
	  -o out/sample-two-years.html
	@echo "--- open $$(pwd)/out/sample.html and $$(pwd)/out/sample-two-years.html in a browser"

# The table of export and import at 10k, 100k, 1M and 2M entries against cat and the sqlite3
# shell (BENCH_SIZES to choose others), and kcbooks export-journal of the 1M books (with convert +
# import of its journal once kcbooks has convert), then the office's year-end of 100 clients
# (bench/office.sh); the micro-benchmarks with `make bench-micro`.
bench: install-deps $(RELEASE)/build.ninja
	cmake --build $(RELEASE) -j $(JOBS)
	bench/table.sh $(RELEASE) $(BENCH_SIZES)
	bench/interchange.sh $(RELEASE) 1000000
	bench/office.sh $(RELEASE) 100 10000

# kcview's review page of a 100k-entry export with its ledger.
bench-review: install-deps $(RELEASE)/build.ninja
	cmake --build $(RELEASE) -j $(JOBS)
	bench/review.sh $(RELEASE) 100000

# kcoffice's year-end of 100 clients of 10k entries each, a third of them stores, a third books
# folders and a third interchange journals, beside the same work as plain commands one after another.
bench-office: install-deps $(RELEASE)/build.ninja
	cmake --build $(RELEASE) -j $(JOBS)
	bench/office.sh $(RELEASE) 100 10000

# The 1M export and a copy of its file, both writing into memory the kernel must find anew, then
# both into pages just given back (bench/pairs.sh; about 7.5 GB of disk for a moment).
bench-pairs: install-deps $(RELEASE)/build.ninja
	cmake --build $(RELEASE) -j $(JOBS)
	bench/pairs.sh $(RELEASE) 1000000 3

# The Windows export through its real dialog beside its batch export, each timed from the caller's
# start to its exit: a table of the medians of BENCH_RUNS runs (default 3).
bench-windows: windows-build
	bench/windows.sh $(WINBUILD) $(BENCH_WINDOWS_SIZES)

bench-micro: install-deps $(RELEASE)/build.ninja
	cmake --build $(RELEASE) -j $(JOBS)
	$(RELEASE)/bench/kc_bench

format:
	find . -path ./build\* -prune -o \( -name '*.cpp' -o -name '*.h' \) -print | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN) $(RELEASE) $(WINBUILD) $(FUZZ)
