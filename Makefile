# Vantry: every set-up step a fresh Debian 12 machine needs is behind these
# targets. `make test` and `make run` are the two that matter.
JOBS      ?= 2
BUILD     ?= build
ASAN      ?= build-asan
BENCH     ?= build-bench
FUZZ      ?= build-fuzz
FUZZ_SECONDS ?= 60
PREFIX    ?= /usr/local
CMAKE_GEN := -G Ninja

.PHONY: all deps configure build install package test test-sanitize run run-map check-x11 bench fuzz format clean

all: build

deps:
	@./scripts/install-deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The programs, pictures, desktop files, manual pages and the server's
# service under PREFIX (DESTDIR=... stages them elsewhere). The prefix is
# configured, not only given to `cmake --install`, so that the paths baked
# into the installed files (the service's program and options file) match.
install: build
	cmake -S . -B $(BUILD) -DCMAKE_INSTALL_PREFIX=$(PREFIX)
	cmake --build $(BUILD) -j $(JOBS)
	cmake --install $(BUILD)

# The Debian packages vantry and vantry-server, in $(BUILD)/packages, from
# the same build (configured for /usr, which rebuilds nothing).
package: build
	cmake -S . -B $(BUILD) -DCMAKE_INSTALL_PREFIX=/usr
	cmake --build $(BUILD) -j $(JOBS)
	rm -rf $(BUILD)/packages
	cd $(BUILD) && cpack -G DEB

test: package
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) --timeout 300

# The same tests with AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	cmake -S . -B $(ASAN) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DVANTRY_SANITIZE=address,undefined
	cmake --build $(ASAN) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 ctest --test-dir $(ASAN) --output-on-failure -j $(JOBS) --timeout 600

# A whole game that plays itself: the game server, tiles and the walker.
run: build
	./scripts/run.sh $(BUILD)

# The map alone: the map window (or a snapshot) over the loopback tile server.
run-map: build
	./scripts/run-map.sh $(BUILD)

# The map window on a virtual X display: a scripted mouse drag must move the
# map by exactly the drag.
check-x11: build
	./scripts/x11-drag-check.sh $(BUILD)

bench: deps
	cmake -S . -B $(BENCH) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DVANTRY_BUILD_TESTS=OFF -DVANTRY_BUILD_BENCH=ON
	cmake --build $(BENCH) -j $(JOBS)
	./scripts/bench.sh $(BENCH)

# Each libFuzzer target for FUZZ_SECONDS, under ASan and UBSan.
fuzz: deps
	CXX=clang++ CC=clang cmake -S . -B $(FUZZ) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DVANTRY_BUILD_TESTS=OFF -DVANTRY_BUILD_FUZZ=ON -DVANTRY_SANITIZE=address,undefined
	cmake --build $(FUZZ) -j $(JOBS)
	./scripts/fuzz.sh $(FUZZ) $(FUZZ_SECONDS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN) $(BENCH) $(FUZZ)
