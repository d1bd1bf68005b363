#pragma once

#include <new>
#include <stdexcept>
#include <system_error>

// step's result, or exhausted when it runs out of memory or of another
// resource (a thread that cannot be started): what every run answers with
// a status rather than an exception.
template <typename Result, typename Step>
Result GuardResources(Result exhausted, const Step& step)
{
    try {
        return step();
    } catch (const std::bad_alloc&) {
        return exhausted;
    } catch (const std::length_error&) {
        return exhausted;
    } catch (const std::system_error&) {
        return exhausted;
    }
}
