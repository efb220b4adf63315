// The program's own file, checked at start-up before anything else is done.
// The packer wrote the PE checksum over the whole file (signing tools keep
// it right), so a file damaged in a download or changed after packing no
// longer sums to it; the package and the images in such a file cannot be
// trusted, and the program must flash nothing.
#pragma once

#include <optional>
#include <string>

// The text of the error dialog when the program's own file cannot be read
// or its checksum does not match; nothing when the file is as packed.
std::optional<std::string> OwnFileProblem();
