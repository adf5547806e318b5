// loopcaster-render: renders music videos from the command line with the same
// engine, naming, song choice and tracklist as the app's job queue.

#include "render/RenderMain.h"

int main(int argc, char** argv)
{
    return renderCommandLine(argc, argv, renderArguments(argc, argv));
}
