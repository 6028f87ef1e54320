#pragma once

namespace text {

// Which way a profile converts: the book's script before and after.
enum class ScriptDirection { ToTraditional, ToSimplified };

}  // namespace text
