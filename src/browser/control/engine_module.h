#pragma once

#include "browser_engine.h"

// Loads the browser engine module once per process and returns its factory;
// throws Error, naming the module, when it cannot be loaded.
CreateBrowserEngine LoadBrowserEngine();
