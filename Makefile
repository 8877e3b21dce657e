# The two commands of the README: `make run` draws the widget, `make test` runs every test.
# Both install what is missing (scripts/install-deps, skipped with RW_SKIP_DEPS=1), configure and build
# first. `make install` installs into PREFIX (DESTDIR for staging), `make package` builds the Debian package.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

PREFIX ?= /usr/local

.PHONY: all deps configure build run run-desktop test test-asan fuzz bench install package format clean

all: build

RW_SKIP_DEPS ?=
deps:
	@RW_SKIP_DEPS=$(RW_SKIP_DEPS) ./scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Only the program `run` draws with, not the tests.
run: configure
	cmake --build $(BUILD) --target reminders-widget -j $(JOBS)
	./scripts/run-widget $(BUILD)

# The widget in a window on the desktop ($$DISPLAY, or Wayland), from the stored payload or the sample.
# Options go in DESKTOP_ARGS, e.g. DESKTOP_ARGS='--family medium --position 40,40 --below'.
DESKTOP_ARGS ?=
run-desktop: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) --target reminders-widget-desktop -j $(JOBS)
	./$(BUILD)/reminders-widget-desktop $(DESKTOP_ARGS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The whole test suite a second time, built in ASAN_BUILD with AddressSanitizer (LeakSanitizer included) and
# UndefinedBehaviorSanitizer; any report fails the test that caused it.
ASAN_BUILD ?= build-asan
test-asan: export ASAN_OPTIONS = detect_leaks=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1
test-asan: export UBSAN_OPTIONS = halt_on_error=1:print_stacktrace=1
test-asan: export LSAN_OPTIONS = suppressions=$(CURDIR)/.ci/lsan.supp:print_suppressions=0
test-asan:
	$(MAKE) test BUILD=$(ASAN_BUILD) CMAKE_FLAGS="-DRW_SANITIZE=address,undefined -DRW_WERROR=ON"

# Every libFuzzer target for FUZZ_SECONDS each (clang, AddressSanitizer, UndefinedBehaviorSanitizer).
FUZZ_SECONDS ?= 60
fuzz: deps
	./scripts/run-fuzzers $(FUZZ_SECONDS)

# The peer benchmark (bench/peers): the timeline request against plistlib, libplist and cat on generated
# payloads, in an optimised build of its own; prints the table and writes BENCH_BUILD/peers/report.md.
# Extra options for the script go in PEERS_ARGS, e.g. PEERS_ARGS="--rounds 3 --events 100,10000".
BENCH_BUILD ?= build-bench
PEERS_ARGS ?=
bench: deps
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRW_BUILD_BENCHMARKS=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target reminders-widget generate-payloads decode-files
	./bench/peers --build $(BENCH_BUILD) $(PEERS_ARGS)

# The programs, their data, desktop entry, manual pages, completion and user service under PREFIX.
install: configure
	cmake --build $(BUILD) --target installed-files -j $(JOBS)
	cmake --install $(BUILD) --prefix $(PREFIX) --strip

# $(BUILD)/reminders-widget_<version>_<arch>.deb (stripped), built without the tests.
package: configure
	cmake --build $(BUILD) --target installed-files -j $(JOBS)
	cd $(BUILD) && cpack -G DEB

format:
	git ls-files '*.h' '*.cpp' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
