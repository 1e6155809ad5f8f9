# make test   installs what is missing, builds, runs the suite, then runs it again under
#             AddressSanitizer + UndefinedBehaviorSanitizer
# make demo   imports the sample books and exports them with kcsakura, started through kccaller
# make bench  runs the benchmarks (release build)

PACKAGES := cmake ninja-build g++ pkg-config libsqlite3-dev libgtest-dev libgmock-dev \
            libbenchmark-dev libncurses-dev libxml2-utils
BUILD    := build
ASAN     := build-asan
RELEASE  := build-release
JOBS     ?= 2

.PHONY: all install-deps build test demo bench clean format

all: build

install-deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  SUDO=""; [ "$$(id -u)" -ne 0 ] && SUDO=sudo; \
	  $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing; \
	fi

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug

$(ASAN)/build.ninja:
	cmake -S . -B $(ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKC_SANITIZE=ON

$(RELEASE)/build.ninja:
	cmake -S . -B $(RELEASE) -G Ninja -DCMAKE_BUILD_TYPE=Release

build: install-deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

test: build $(ASAN)/build.ninja
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	cmake --build $(ASAN) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(ASAN) --output-on-failure -j $(JOBS)

demo: build
	$(BUILD)/dist/kcbooks import examples/sample-books $(BUILD)/sample.books
	@mkdir -p out
	@echo "--- kcsakura started by a caller (window 4242, message 1025, wParam 3), whole fiscal year, no ledger:"
	@$(BUILD)/dist/kccaller --window 4242 --message 1025 --wparam 3 -- \
	  $(BUILD)/dist/kcsakura/kcsakura --books $(BUILD)/sample.books --user yamada --ui batch \
	  --start-month 4 --end-month 3 --no-ledger --out out/sample.xml --yes \
	  --settings-folder $(BUILD)/demo-settings; \
	  rc=$$?; echo "--- the XML file: $$(pwd)/out/sample.xml"; echo "--- posted result: $$rc"; exit $$rc

bench: install-deps $(RELEASE)/build.ninja
	cmake --build $(RELEASE) -j $(JOBS)
	$(RELEASE)/bench/kc_bench

format:
	find . -path ./build\* -prune -o \( -name '*.cpp' -o -name '*.h' \) -print | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN) $(RELEASE)
