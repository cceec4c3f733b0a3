#include "app/LinkApp.h"

// The one application object.
static CLinkApp theApp;

int main(int argc, char** argv) {
    return AfxWinMain(argc, argv);
}
