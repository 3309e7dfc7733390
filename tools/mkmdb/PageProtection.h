#pragma once

#include "FileImage.h"
#include "Model.h"

namespace mkmdb {

// Writes the header page (page 0) of the built image and, as the database asks, encodes or encrypts
// every page after it. Jet's encoding keeps the password in the header; the Office encryptions keep
// their encryption info (salts, password verifier) after the header's fixed fields instead.
void protectPages(FileImage& image, const Database& database);

}  // namespace mkmdb
