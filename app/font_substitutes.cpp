#include "app/font_substitutes.h"

#include <QFont>
#include <QStringList>

namespace nimbrel {

void InstallFontSubstitutes() {
  const QStringList lookAlikes{QStringLiteral("Microsoft Sans Serif"),
                               QStringLiteral("Liberation Sans"),
                               QStringLiteral("Arimo"),
                               QStringLiteral("Arial"),
                               QStringLiteral("Helvetica"),
                               QStringLiteral("DejaVu Sans Condensed"),
                               QStringLiteral("DejaVu Sans")};
  QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), lookAlikes);
  QFont::insertSubstitutions(QStringLiteral("Small Fonts"), lookAlikes);
}

}  // namespace nimbrel
