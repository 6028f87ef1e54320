#pragma once

#include <QPoint>
#include <optional>

#include "app/ConversionChoice.hpp"

class QDialog;
class QWidget;

// The stand-in for the window's system menu: Close, the submenu of conversion profiles with the
// font-rule and quotation-mark switches and the layout submenu, the item that opens the user's
// phrase file, and the About item.

// Shows the menu over owner at where and returns the command of the item chosen, or nothing. A
// choice made in the conversion submenu goes into choice and is saved as it is made.
std::optional<int> ShowSystemMenu(QWidget& owner, const QPoint& where, ConversionChoice& choice);

// Carries out the system command id for window: an id of 16 to 31 opens the About box over it,
// the close command closes it, and any other does nothing.
void RunSystemCommand(QDialog& window, int id);
