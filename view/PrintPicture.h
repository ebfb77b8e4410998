// Printing the picture: fitted to the printer's page, its sides in proportion.
#pragma once

class CDib;
class QPrinter;

// Paints dib onto a page of pPrinter, as large as the page allows without distortion.
// Nothing is printed when the printer cannot be painted on.
void PrintPicture(const CDib& dib, QPrinter* pPrinter);
