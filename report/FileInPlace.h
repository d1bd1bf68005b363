#pragma once

#include <cstdio>
#include <string>

// Writes the file at path whole or not at all: write(aside) writes it under
// path + ".part", which then takes the name. False, leaving neither, when
// either step fails, so that a failure leaves no half a file where the name
// was and an earlier file there stays as it was.
template <typename Write>
bool WriteFileInPlace(const std::string& path, const Write& write)
{
    const std::string aside = path + ".part";
    if (write(aside) && std::rename(aside.c_str(), path.c_str()) == 0)
        return true;
    std::remove(aside.c_str());
    return false;
}
