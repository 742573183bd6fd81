# Entry points for people and CI. Everything goes through scripts/bootstrap.sh so that a
# fresh Debian machine gets its packages before the first build.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
SAMPLE     ?= samples/catalog.xml
FUZZ_SECONDS ?= 30
PREFIX     ?= /usr/local

.PHONY: all build run test test-asan bench fuzz fuzz-smoke install package clean

all: build

build:
	scripts/bootstrap.sh $(BUILD) -DCMAKE_BUILD_TYPE=Release

run: build
	@if [ -x $(BUILD)/app/quillon ]; then \
	  $(BUILD)/app/quillon $(SAMPLE); \
	else \
	  $(BUILD)/cli/quillon-cli tree $(SAMPLE); \
	fi

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

test-asan:
	scripts/bootstrap.sh $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_SANITIZE=ON -DQUILLON_BENCH=OFF
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j$(JOBS)

bench: build
	scripts/bench.sh $(BUILD)

fuzz:
	scripts/bootstrap.sh $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_FUZZ=ON \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQUILLON_QT=OFF -DQUILLON_BENCH=OFF -DQUILLON_TESTS=OFF

fuzz-smoke: fuzz
	scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# DESTDIR from the environment or the command line is honoured, as packagers expect.
install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package quillon_<version>_<arch>.deb, in the build folder.
package: build
	cmake --build $(BUILD) --target package

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
