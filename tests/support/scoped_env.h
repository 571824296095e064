#pragma once
// Sets (or removes) an environment variable for the life of the object and restores the previous value afterwards.
#include <cstdlib>
#include <optional>
#include <string>

namespace qo::test {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) previous_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    // Removes the variable for the life of the object.
    ScopedEnv(const char* name, std::nullopt_t) : name_(name) {
        if (const char* old = std::getenv(name)) previous_ = old;
        ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (previous_)
            ::setenv(name_, previous_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> previous_;
};

}  // namespace qo::test
