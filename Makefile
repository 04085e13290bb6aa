# make run      install what is missing, build the program, start it
# make test     install what is missing, build (plain and with sanitizers), run every test
# make package  install what is missing, build, make the Debian package build/quillgraver_<version>_<arch>.deb
# make format   clang-format the C++ files changed against HEAD and the untracked ones

BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CTEST_ARGS ?= --output-on-failure --timeout 400

.PHONY: all deps configure build run test test-plain test-asan package bench fuzz format clean

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
	QT_QPA_PLATFORM=offscreen ./$(BUILD)/bench/bench_trace
	./$(BUILD)/bench/bench_startup ./$(BUILD)/app/quillgraver
	QT_QPA_PLATFORM=offscreen ./$(BUILD)/bench/bench_check
	QT_QPA_PLATFORM=offscreen ./$(BUILD)/bench/bench_production

# The readers' fuzzing: FUZZ_JOBS processes explore for FUZZ_SECONDS in a
# build without sanitizers, growing $(FUZZ_BUILD)/corpus from the seeds in
# fuzz/corpus; then every input of both goes once through the build with
# sanitizers. Findings land in $(FUZZ_BUILD)/findings/.
#   make fuzz FUZZ_SECONDS=3600 FUZZ_JOBS=2
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 240
FUZZ_JOBS    ?= 1
FUZZ_CMAKE    = CC=clang CXX=clang++ cmake -S . -DQG_BUILD_FUZZ=ON -DQG_BUILD_TESTS=OFF -DQG_BUILD_BENCH=OFF
# One process explores on its own; more share the corpus through libFuzzer's fork mode.
FUZZ_PARALLEL = $(if $(filter-out 1,$(FUZZ_JOBS)),-fork=$(FUZZ_JOBS))

fuzz:
	$(FUZZ_CMAKE) -B $(FUZZ_BUILD)/explore -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQG_SANITIZE=OFF
	$(FUZZ_CMAKE) -B $(FUZZ_BUILD)/sanitized -DCMAKE_BUILD_TYPE=Debug -DQG_SANITIZE=ON
	cmake --build $(FUZZ_BUILD)/explore -j $(JOBS) --target fuzz_reader
	cmake --build $(FUZZ_BUILD)/sanitized -j $(JOBS) --target fuzz_reader fuzz_seeds
	./$(FUZZ_BUILD)/sanitized/fuzz/fuzz_seeds
	mkdir -p $(FUZZ_BUILD)/corpus $(FUZZ_BUILD)/findings
	./$(FUZZ_BUILD)/explore/fuzz/fuzz_reader -dict=fuzz/reader.dict -max_total_time=$(FUZZ_SECONDS) \
	    $(FUZZ_PARALLEL) -artifact_prefix=$(FUZZ_BUILD)/findings/ -print_final_stats=1 \
	    $(FUZZ_BUILD)/corpus fuzz/corpus
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ./$(FUZZ_BUILD)/sanitized/fuzz/fuzz_reader -runs=0 -artifact_prefix=$(FUZZ_BUILD)/findings/ \
	    $(FUZZ_BUILD)/corpus fuzz/corpus

# The project's .clang-format on the C++ files changed against HEAD (deleted
# ones aside) and the untracked ones, in place; the rest stay as they are.
CLANG_FORMAT ?= clang-format

format:
	@command -v $(CLANG_FORMAT) >/dev/null || { echo "$(CLANG_FORMAT) is not installed (apt-get install clang-format)."; exit 1; }
	@files=$$( { git diff --name-only --diff-filter=d HEAD -- '*.cpp' '*.h'; \
	             git ls-files --others --exclude-standard -- '*.cpp' '*.h'; } | sort -u ); \
	if [ -z "$$files" ]; then echo "No changed C++ files."; exit 0; fi; \
	echo "$$files" | xargs $(CLANG_FORMAT) -i --style=file; \
	echo "Formatted:"; echo "$$files" | sed 's/^/  /'

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz
