#pragma once

#include <functional>
#include <string>

#include "book/BookConverter.hpp"

// The book job as the window runs it: its messages go to a handler that the window supplies.
class CWindowBookConverter : public CBookConverter {
  public:
    using ErrorHandler = std::function<void(const std::string&)>;

    explicit CWindowBookConverter(ErrorHandler handler) : Handler(std::move(handler)) {}

    // Hands text to the window's handler, which returns once the user has closed the box.
    void ShowError(const std::string& text) override;

  private:
    ErrorHandler Handler;
};
