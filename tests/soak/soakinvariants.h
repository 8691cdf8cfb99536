#ifndef RELAXON_TESTS_SOAK_SOAKINVARIANTS_H
#define RELAXON_TESTS_SOAK_SOAKINVARIANTS_H

#include <QString>
#include <QStringList>

class MainWindow;

// What must hold between any two user actions, whatever they were. expectedFile is
// the case the soak test last saw load (empty before the first): a refused file
// keeps the previous case. Returns one line per broken invariant.
QStringList invariantBreaks(MainWindow &window, const QString &expectedFile);

#endif
