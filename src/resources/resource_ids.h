// Resource identifiers shared by quenzar.rc and the code. Plain #defines, so the resource
// compiler can read this file too.
#pragma once

// The program icon: one group holding the 16, 32 and 48 px images, used for the window class's
// large and small icon.
#define QUENZAR_ICON_GROUP 500
