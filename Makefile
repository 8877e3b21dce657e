# The two commands of the README: `make run` draws the widget, `make test` runs every test.
# Both install what is missing (scripts/install-deps), configure and build first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test fuzz format clean

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

# Every libFuzzer target for FUZZ_SECONDS each (clang, AddressSanitizer, UndefinedBehaviorSanitizer).
FUZZ_SECONDS ?= 60
fuzz: deps
	./scripts/run-fuzzers $(FUZZ_SECONDS)

format:
	git ls-files '*.h' '*.cpp' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
