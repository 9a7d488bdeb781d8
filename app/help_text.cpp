#include "app/help_text.h"

#include <QStringList>

namespace nimbrel {

QString HelpText() {
  static const char* const kLines[] = {
      "Datalogging für Thommen-Wetterstation",
      "",
      "_______________________________________________________________________________",
      "",
      "Aufruf:",
      "   nimbrel [port=Portnummer] [file=Dateiname] [int=Intervall] [flag=Semaphore] [-record] ",
      "",
      "Portnummer:",
      "Nummer des COM-Ports. Bei port=0 (Standard) wird ein Auswahldialog geöffnet.",
      "Standardeinstellungen: 9600 Baud, Parity=None, Data-Bits=8, Stop-Bits=1.",
      "",
      "Dateiname:",
      "In diese Datei wird aufgezeichnet. An bereits existierende Dateien wird angehängt.",
      "",
      "Semaphore:",
      "Zur Prozessüberwachung. Eine Datei dieses Namens wird angelegt, wenn eine Messung",
      "erfolgreich aufgezeichnet wurde. Ein überwachender Prozess kann diese Datei dann",
      "löschen oder Maßnahmen ergreifen, wenn die Datei nicht vorgefunden wird.",
      "",
      "Intervall: Aufzeichnungsintervall in Minuten.",
      "Record: Sofort aufzeichnen (anderenfalls muss manuell gestartet werden).",
      "",
      "Beispiel: nimbrel port=2 file=c:\\wetter.txt int=45 -record flag=c:\\nimbrel.flag",
  };
  QStringList lines;
  for (const char* line : kLines) lines << QString::fromUtf8(line);
  return lines.join(QLatin1Char('\n'));
}

}  // namespace nimbrel
