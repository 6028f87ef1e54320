#pragma once

#include "text/content/BookConventions.hpp"
#include "text/profile/ConversionProfile.hpp"

// What the user chose for the window's batches: the conversion profile, whether the font rule
// goes into the stylesheet, the quotation marks and the layout. Remembered per user in Qt's
// settings (the XDG configuration folder, organisation and application "Corvela"), apart from the
// archiver's settings file.
struct ConversionChoice {
    text::Profile profile = text::Profile::Char;
    bool fontRule = true;
    bool quotes = false;
    text::PageLayout layout = text::PageLayout::AsBook;
    bool builtinZip = false;  // the built-in archive path instead of the archiver
    bool report = false;      // a proofreading report beside each output
};

// The choice saved last, or the defaults when none was saved or it names no profile.
ConversionChoice LoadConversionChoice();

// Remembers choice for the next start.
void SaveConversionChoice(const ConversionChoice& choice);
