# Entry points for people and CI. Everything goes through scripts/bootstrap.sh so that a
# fresh Debian machine gets its packages before the first build.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
SAMPLE     ?= samples/catalog.xml
FUZZ_SECONDS ?= 300
FUZZ_RUNS  ?= 2000
PREFIX     ?= /usr/local

.PHONY: all build run test test-asan bench fuzz fuzz-build fuzz-smoke install package clean

all: build

# The options are passed every time: a cached OFF from an earlier configure must not drop the
# GUI parts or the tests without a word.
build:
	scripts/bootstrap.sh $(BUILD) -DCMAKE_BUILD_TYPE=Release -DQUILLON_QT=ON -DQUILLON_TESTS=ON

run: build
	@if [ -x $(BUILD)/app/quillon ]; then \
	  $(BUILD)/app/quillon $(SAMPLE); \
	else \
	  $(BUILD)/cli/quillon-cli tree $(SAMPLE); \
	fi

test: build
	cd $(BUILD) && ctest --output-on-failure --no-tests=error -j$(JOBS)

test-asan:
	scripts/bootstrap.sh $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_SANITIZE=ON -DQUILLON_BENCH=OFF \
	  -DQUILLON_QT=ON -DQUILLON_TESTS=ON
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure --no-tests=error -j$(JOBS)

bench: build
	scripts/bench.sh $(BUILD)

fuzz-build:
	scripts/bootstrap.sh $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_FUZZ=ON \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQUILLON_QT=OFF -DQUILLON_BENCH=OFF -DQUILLON_TESTS=OFF

# Random runs of FUZZ_SECONDS per harness that grow the working corpus of the fuzz build.
fuzz: fuzz-build
	scripts/fuzz.sh --random $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Repeatable: the committed corpus plus a fixed number of runs from a fixed seed, so the result
# depends on the commit only.
fuzz-smoke: fuzz-build
	scripts/fuzz.sh --smoke $(FUZZ_BUILD) $(FUZZ_RUNS)

# DESTDIR from the environment or the command line is honoured, as packagers expect.
install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package quillon_<version>_<arch>.deb, in the build folder.
package: build
	cmake --build $(BUILD) --target package

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
