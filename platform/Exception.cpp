#include "platform/Exception.h"

bool CException::GetErrorMessage(std::string& text) const
{
    text.clear();
    return false;
}

const char* CException::what() const noexcept
{
    return "CException";
}
