#pragma once
// How a job's stored status message reads on screen: in the user's language
// where it is one of ours, with the numbers of a progress text kept.

#include <QString>

QString shownStatus(const QString& stored);
