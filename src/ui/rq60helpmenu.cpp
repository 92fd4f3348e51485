// The main window's menu "Hilfe": "Inhalt" and "Suchen" go to the help entry
// point like every other way into the help.
#include "rq60main.h"

#include "helpentry.h"

void TFormRQ60Main::mn41InhaltClick()
{
    showHelpKeyword(QStringLiteral("Inhalt"));
}

void TFormRQ60Main::mn42SuchenClick()
{
    showHelpFinder();
}
