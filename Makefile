# make run: install what is missing, build, start Verbalto.
# make test: install what is missing, build, run every test.
BUILD ?= build
JOBS ?= 2

.PHONY: all deps configure build run test bench package clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/bin/verbalto

test: build
	@scripts/run-tests $(BUILD)

bench: build
	$(BUILD)/bin/verbalto_bench
	QT_QPA_PLATFORM=offscreen $(BUILD)/bin/box_fill_bench

package: build
	@cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD)
