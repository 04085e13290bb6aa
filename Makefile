# make run      install what is missing, build the program, start it
# make test     install what is missing, build (plain and with sanitizers), run every test
# make package  install what is missing, build, make the Debian package build/quillgraver_<version>_<arch>.deb

BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CTEST_ARGS ?= --output-on-failure --timeout 120

.PHONY: all deps configure build run test test-plain test-asan package bench fuzz clean

all: build

deps:
	@./tools/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

$(ASAN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQG_SANITIZE=ON -DQG_BUILD_BENCH=OFF

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Only the program: no tests, no benchmark.
run: configure
	@./tools/install-deps.sh --run
	cmake --build $(BUILD) -j $(JOBS) --target quillgraver
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	    echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): the program needs a desktop session."; \
	    echo "The build is ready: $(BUILD)/app/quillgraver"; \
	    exit 1; \
	fi
	./$(BUILD)/app/quillgraver

test-asan: deps $(ASAN_BUILD)/CMakeCache.txt
	@./tools/install-deps.sh --test
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest $(CTEST_ARGS)

test-plain: build
	@./tools/install-deps.sh --test
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest $(CTEST_ARGS)

# The sanitizer run goes first so that the summary of the plain run ends the output.
test: test-asan test-plain

package: build
	@./tools/install-deps.sh --package
	cd $(BUILD) && cpack -G DEB

bench: build
	QT_QPA_PLATFORM=offscreen ./$(BUILD)/bench/bench_repaint
	QT_QPA_PLATFORM=offscreen ./$(BUILD)/bench/bench_export ./$(BUILD)/app/quillgraver
	QT_QPA_PLATFORM=offscreen ./$(BUILD)/bench/bench_emblem
	./$(BUILD)/bench/bench_startup ./$(BUILD)/app/quillgraver
	QT_QPA_PLATFORM=offscreen ./$(BUILD)/bench/bench_check

fuzz:
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DQG_BUILD_FUZZ=ON -DQG_BUILD_TESTS=OFF -DQG_BUILD_BENCH=OFF
	cmake --build build-fuzz -j $(JOBS) --target fuzz_reader

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz
