#pragma once
// Without a display the app cannot show its window; it renders the demo movie
// with the headless renderer instead, so starting it still shows a result.
int runHeadlessDemo(int argc, char** argv);
