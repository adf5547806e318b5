#include "views/MessageBoxFit.h"

#include <QGridLayout>
#include <QMessageBox>

namespace views {

void fitMessageBox(QMessageBox* box)
{
    // About the width of a 60-character line of body text.
    const int minimumWidth = std::max(380, box->fontMetrics().averageCharWidth() * 60);
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
        grid->addItem(new QSpacerItem(minimumWidth, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(),
                      0, 1, grid->columnCount());
    box->ensurePolished();
    box->adjustSize();
    box->layout()->activate();
}

} // namespace views
