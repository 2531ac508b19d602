#pragma once

#include <string>

// Given on the command line by the script that unpacked the release zip.
extern std::wstring ReleaseFolder;   // --folder=: where the zip was unpacked
extern std::wstring ReleaseVersion;  // --version=: the version in the zip's name
extern int ReleaseRows;              // --rows=: the rows of the shipped table
