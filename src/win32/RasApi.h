// The Remote Access Service of Windows behind IRasApi.  rasapi32.dll is
// loaded when first needed rather than linked, so that the program starts on
// systems where dial-up networking is not installed.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "dialup/RasInterface.h"

namespace vexil {

// The address of the RAS function called name ("RasDial"): the first call
// loads rasapi32.dll and asks for the ANSI form (name + "A"); when that is
// missing it falls back to rnaph.dll, whose functions have no suffix, and
// keeps to that library afterwards.  Raises std::runtime_error with
// "Error opening rasapi32.dll", "Error opening rnaph.dll" or
// "Function " + name + " not found!".
void* LoadRasFunction(const std::string& name);

// Finds a RAS function by its plain name; the program uses LoadRasFunction.
using TRasFunctionLookup = std::function<void*(const std::string& name)>;

std::unique_ptr<IRasApi> CreateWin32RasApi();
// The same over other function addresses, so that the marshalling can be
// tried against a phonebook that RAS under Wine cannot hold.
std::unique_ptr<IRasApi> CreateWin32RasApi(TRasFunctionLookup lookup);

}  // namespace vexil
