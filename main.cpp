#include "app/microscope_app.h"

int main(int argc, char** argv) {
    return tvx::Application::Main(argc, argv);
}
