# make run: install what is missing, build, start the trainer.  make test: install, build, run every test.
BUILD ?= build
JOBS ?= $(shell nproc)

PREFIX ?= $(HOME)/.local

.PHONY: all deps build run test test-sanitize fuzz install format format-check clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/nemora

test: build format-check
	bash scripts/run-tests.sh $(BUILD)

# The programs, desktop entry, icons and metainfo under $(PREFIX) (default ~/.local).
install: build
	cmake --install $(BUILD) --prefix "$(PREFIX)"

# Logic tests under AddressSanitizer + UndefinedBehaviorSanitizer, and the threaded tests under
# ThreadSanitizer (separate build trees, no Qt).
test-sanitize: deps
	bash scripts/run-sanitized-tests.sh

# libFuzzer targets (fuzz/) built with clang in their own tree, each run for FUZZ_SECONDS.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
		-DNEMORA_FUZZ=ON -DNEMORA_BUILD_UI=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets
	bash scripts/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check:
	@bad=$$(git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror 2>&1 | grep -o '^[^:]*\.\(cpp\|h\)' | sort -u); \
	if [ -n "$$bad" ]; then echo "Not clang-formatted (run 'make format'):"; echo "$$bad"; exit 1; fi

clean:
	rm -rf $(BUILD) build-asan build-tsan $(FUZZ_BUILD)
