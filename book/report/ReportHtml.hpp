#pragma once

#include <string>
#include <string_view>

#include "book/report/BookReport.hpp"

// The report as one self-contained HTML page: no scripts, nothing fetched, every piece of the
// book's text escaped.
std::string ReportHtml(const ReportSummary& summary, const BookReport& report);

// text with &, <, >, " and ' as character references.
std::string EscapedHtml(std::string_view text);
