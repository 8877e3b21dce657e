# The two commands of the README: `make run` draws the widget, `make test` runs every test.
# Both install what is missing (scripts/install-deps), configure and build first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test test-asan fuzz format clean

all: build

deps:
	@./scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./scripts/run-widget $(BUILD)

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

format:
	git ls-files '*.h' '*.cpp' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
