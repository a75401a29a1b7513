#pragma once

// Test names for string parameters holding spaces, line breaks or NUL:
// the index, then the parameter's letters and digits.

#include <cctype>
#include <gtest/gtest.h>
#include <string>

namespace kelvor::test {

struct ReadableStringName
{
    std::string operator()(const ::testing::TestParamInfo<std::string>& info) const
    {
        std::string name = std::to_string(info.index);
        for (char c : info.param) {
            if (name.size() >= 40)
                break;
            if (std::isalnum(static_cast<unsigned char>(c)))
                name += c;
            else if (name.back() != '_')
                name += '_';
        }
        return name;
    }
};

} // namespace kelvor::test
