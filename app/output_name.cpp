#include "app/output_name.h"

namespace app {

QString numberedOutputName(const QString& base, int number, QChar separator) {
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    const qsizetype sep = base.lastIndexOf(separator);
    const QString digits = QString::number(number);
    if (dot <= sep) return base + digits;
    return base.left(dot) + digits + base.mid(dot);
}

}  // namespace app
