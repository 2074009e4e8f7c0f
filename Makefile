# Thin wrapper around CMake. `make report` and `make test` do all the set-up a fresh
# machine needs (packages, configure, build).
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build report test install-check docs bench fuzz fuzz-build asan tsan coverage format format-check ci clean

all: build

deps:
	@bash scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

report: build
	@bash scripts/make-report $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Installs the build into a temporary prefix and uses it as an outside project does
# (find_package and pkg-config consumers, the installed vdreport, the .deb).
install-check: build
	@bash scripts/install-check $(BUILD)

# API reference of the public headers: $(BUILD)/docs/html/index.html
docs:
	@bash scripts/install-deps --docs
	@mkdir -p $(BUILD)/docs
	@cd $(BUILD)/docs && VD_SOURCE_DIR=$(CURDIR) doxygen $(CURDIR)/docs/Doxyfile >/dev/null
	@echo "written: $(BUILD)/docs/html/index.html"

# Caches kept for the life of the process by fontconfig and pango are not leaks of ours.
asan: export LSAN_OPTIONS = suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0
asan: export UBSAN_OPTIONS = print_stacktrace=1:halt_on_error=1
asan:
	@$(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DVD_SANITIZE=address,undefined"

# The house style of .clang-format: check it (CI) or apply it.
format-check:
	@bash scripts/format-check

format:
	@bash scripts/format-check --fix

# Line coverage of modules/ by the whole suite (Debug build in build-cov).
coverage:
	@bash scripts/coverage build-cov

tsan:
	@$(MAKE) test BUILD=build-tsan CMAKE_FLAGS="-DVD_SANITIZE=thread"

bench:
	@bash scripts/install-deps --bench
	@cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DVD_BUILD_BENCH=ON -DVD_BUILD_TESTS=OFF -DVD_BUILD_APPS=ON >/dev/null
	@cmake --build build-bench -j $(JOBS)
	@bash bench/run build-bench

fuzz-build:
	@bash scripts/install-deps --fuzz
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -DVD_BUILD_FUZZ=ON -DVD_BUILD_TESTS=OFF -DVD_BUILD_APPS=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target fuzz_targets

# Every fuzzer for FUZZ_SECONDS (default 600) each.
fuzz: fuzz-build
	@bash fuzz/run build-fuzz $(or $(FUZZ_SECONDS),600)

# What CI runs: the tests, the install check, the tests again under address and
# undefined-behaviour sanitizers, and a build of the fuzzer binaries (their corpora
# replay in the tests).
ci: format-check test install-check asan fuzz-build

clean:
	@rm -rf $(BUILD) build-asan build-tsan build-cov build-bench build-fuzz
