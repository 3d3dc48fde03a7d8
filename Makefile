# make        installs missing packages, builds everything, packs the sample
#             application and produces build/windows/bin/TessarkStudioSetup.exe
# make test   the same, then every test (native, under Wine, end to end)
# make bench  benchmarks (not part of make test)
# make repro  builds the committed sources twice and compares the installers
# make try    installs, starts and uninstalls the sample in a throwaway Wine prefix
# make winget WINGET_URL=https://... WINGET_LICENSE=... [WINGET_ID=Publisher.Package]
#             writes the package manager's manifest of the installer to build/winget
# make APP_DIR=/path/to/folder   packs that folder instead of the sample
# make CHUNK_SIZE=16777216       chunk size of the payload, 65536 to 67108864
#                                (default 64 MiB)
# make SIGN_PFX=cert.pfx SIGN_PASSWORD=...       signs uninstall.exe (before it
# make SIGN_CERT=cert.pem SIGN_KEY=key.pem [...]   is packed) and the installer
#     SIGN_TIMESTAMP_URL=http://...  adds a timestamp from that server
#     SOURCE_DATE_EPOCH=...          the signing time to embed (default: the
#                                    last commit's), for reproducible signing
#   Without SIGN_PFX or SIGN_CERT/SIGN_KEY nothing is signed.

APP_DIR ?=
CHUNK_SIZE ?=
JOBS ?= $(shell nproc)

SIGN_PFX ?=
SIGN_CERT ?=
SIGN_KEY ?=
SIGN_PASSWORD ?=
SIGN_TIMESTAMP_URL ?=
SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null)
# The password reaches tools/sign.sh through the environment of the build,
# never through the CMake cache or a command line.
export SIGN_PASSWORD
sign_settings = -DTS_SIGN_PFX="$(if $(SIGN_PFX),$(abspath $(SIGN_PFX)))" \
                -DTS_SIGN_CERT="$(if $(SIGN_CERT),$(abspath $(SIGN_CERT)))" \
                -DTS_SIGN_KEY="$(if $(SIGN_KEY),$(abspath $(SIGN_KEY)))" \
                -DTS_SIGN_TIMESTAMP_URL="$(SIGN_TIMESTAMP_URL)" \
                -DTS_SIGN_TIME="$(SOURCE_DATE_EPOCH)"

WINGET_URL ?=
WINGET_ID ?= Tessark.TessarkStudio
WINGET_LICENSE ?=

.PHONY: all deps host windows test bench repro try winget clean

all: windows

deps:
	@tools/install-deps.sh

host: deps
	cmake --preset host >/dev/null
	cmake --build build/host -j $(JOBS)

windows: host
	cmake --preset windows -DTS_APP_DIR="$(if $(APP_DIR),$(abspath $(APP_DIR)))" -DTS_CHUNK_SIZE="$(CHUNK_SIZE)" \
	    $(sign_settings) >/dev/null
	cmake --build build/windows -j $(JOBS)

test: windows
	tests/run-all.sh

bench: windows
	cmake --build build/host --target bench -j $(JOBS)
	bench/install/install-bench.sh

try: windows
	tools/try.sh

winget: windows
	$(if $(WINGET_URL),,$(error make winget needs WINGET_URL, the installer's public download address))
	$(if $(WINGET_LICENSE),,$(error make winget needs WINGET_LICENSE, the licence's name))
	build/host/bin/packer winget build/windows/bin/TessarkStudioSetup.exe --url "$(WINGET_URL)" \
	    --id "$(WINGET_ID)" --license "$(WINGET_LICENSE)" -o build/winget

# Two full builds of the committed sources in two folders; compares SHA-256.
repro: deps
	tools/repro.sh "$(APP_DIR)"

clean:
	rm -rf build
