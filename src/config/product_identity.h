// Which product an executable belongs to: the product whose main executable
// lies in the running program's folder (or a folder above it), its short name
// and its channel identifier.
#pragma once

#include <string>

// The product this uninstaller belongs to.
const unsigned int kVelaProductId = 63;

// The identifier of the product whose main executable lies in the running
// program's folder (levelsUp 0) or that many folders above it; 0 when none
// does or when levelsUp is negative.
unsigned int DetectProductId(int levelsUp);

// The short name of the detected product, or the empty string.
std::wstring GetProductName(int levelsUp);

// The channel identifier ("PID" under the detected product's key), or the
// empty string.
std::wstring GetProductPid(int levelsUp);

// The table entries of one product identifier (empty when unknown).
std::wstring GetProductMainExe(unsigned int productId);
std::wstring GetProductRegistryKey(unsigned int productId);
