#include "app/HeadlessDemo.h"

#include "render/RenderMain.h"

#include <cstdio>

int runHeadlessDemo(int argc, char** argv)
{
    std::printf("No display found: rendering the demo movie headlessly.\n");
    std::fflush(stdout);
    return renderCommandLine(argc, argv, {QStringLiteral("--demo")});
}
