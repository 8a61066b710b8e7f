#pragma once

namespace tvx {

// The application object: prepares the process, runs the main window and
// tears down in the reverse order.
class Application {
public:
    static int Main(int argc, char** argv);
};

} // namespace tvx
