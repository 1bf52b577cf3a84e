// The program's name: the window's caption at rest and the title of every message box.
#pragma once

#include <QString>

namespace app {

inline const QString kProgramTitle = QStringLiteral("Kelvaron");

}  // namespace app
