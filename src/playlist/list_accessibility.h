#pragma once

// How assistive tools (AT-SPI) see the list window: as a window, and its grid
// as a table whose entry cells play their entry when pressed, as Enter does.
// Installed once; applies to list windows made afterwards.
void installListAccessibility();
