#include "app/microscope_app.h"

int main(int argc, char** argv) {
    return tvx::CMicroscopeApp::Main(argc, argv);
}
