// The payload of the running installer: resource "PAYLOAD" (RT_RCDATA) of
// its own executable, parsed where it lies.
#pragma once

#include "payload/core/payload.h"

#include <string>

// Finds the resource in the program's own module and parses it. False, with
// the sentence for the user in `error`, when there is none, it cannot be
// loaded or it does not parse.
bool openPayload(Payload& payload, std::wstring& error);
