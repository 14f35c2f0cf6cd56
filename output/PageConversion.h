// A whole conversion, shared by the wizard's Finish action and the converter: the settings
// checked, the picture opened once, the page's name checked, the page written and put in place.
#pragma once

#include "engine/ConversionResult.h"
#include "engine/ConversionSettings.h"

#include <string>

class CSourcePicture;

// Checks the settings, opens and checks the source (with transparent areas over the settings'
// background colour), refuses a target that the one check of a page's name refuses, writes the page
// into a temporary file beside the target and moves it over the target once complete (a device is
// written in place), and opens the page in the shell when asked and all went well. A picture whose
// data turns out damaged on the way, or a run stopped through stop, like a failed one, removes its
// temporary file and leaves the target as it was. A picture the caller has opened already (to
// learn its size, say) is given as opened, and is not opened again.
ConversionResult RunConversion(const ConversionSettings& settings, bool openAfterCreation,
                               const ConversionProgress& progress = {}, const ConversionStop* stop = nullptr,
                               CSourcePicture* opened = nullptr);

// Why settings cannot be converted (counts out of range, an empty or invalid character set, no
// file named), or an empty reason when they can.
std::string SettingsProblem(const ConversionSettings& settings);

// Hands a path to the shell's "open" verb; true when the shell accepted it.
bool OpenInShell(const std::string& path);

// What OpenInShell calls; tests replace it so that nothing is ever launched.
using ShellOpener = bool (*)(const std::string& path);
// Installs an opener (null restores the shell's) and returns the one it replaced.
ShellOpener SetShellOpener(ShellOpener opener);
