# make        installs missing packages, builds everything, packs the sample
#             application and produces build/windows/bin/TessarkStudioSetup.exe
# make test   the same, then every test (native, under Wine, end to end)
# make bench  benchmarks (not part of make test)
# make repro  builds the committed sources twice and compares the installers
# make APP_DIR=/path/to/folder   packs that folder instead of the sample

APP_DIR ?=
JOBS ?= $(shell nproc)

.PHONY: all deps host windows test bench repro clean

all: windows

deps:
	@tools/install-deps.sh

host: deps
	cmake --preset host >/dev/null
	cmake --build build/host -j $(JOBS)

windows: host
	cmake --preset windows -DTS_APP_DIR="$(if $(APP_DIR),$(abspath $(APP_DIR)))" >/dev/null
	cmake --build build/windows -j $(JOBS)

test: windows
	tests/run-all.sh

bench: windows
	cmake --build build/host --target bench -j $(JOBS)

# Two full builds of the committed sources in two folders; compares SHA-256.
repro: deps
	tools/repro.sh "$(APP_DIR)"

clean:
	rm -rf build
