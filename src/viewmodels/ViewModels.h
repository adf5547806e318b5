#pragma once
// View models of the main window (QtCore/QtGui only).
