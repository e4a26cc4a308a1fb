// ZartaWordToPDF: the desktop program that converts batches of Word documents into PDF files.

#include "app/desktop/CZartaAllToPDFApp.h"

int main(int argc, char** argv) {
    return zarta::desktop::CZartaAllToPDFApp::run(argc, argv);
}
