#pragma once
// Message boxes sized for their text before they show.

class QMessageBox;

namespace views {

// A message box sizes itself to its narrowest part, which cuts its title and
// wraps its text over many short lines. Call once its texts and buttons are
// set (they rebuild its layout): it gets a readable minimum width and is laid
// out, so its first frame already shows every button whole.
void fitMessageBox(QMessageBox* box);

} // namespace views
