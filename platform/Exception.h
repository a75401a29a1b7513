#pragma once

#include <exception>
#include <string>

// Base of the framework's exceptions. Handlers that let one escape get the
// general failure report: a stop-icon message box with GetErrorMessage's text.
class CException : public std::exception
{
public:
    // Fills text with a message for the user; returns false when there is none.
    virtual bool GetErrorMessage(std::string& text) const;
    const char* what() const noexcept override;
};
