#pragma once

#include "browser_engine.h"

// Puts the engine's settings where it reads them, in the process environment,
// when its first profile is made. Call first in main(): setenv is not safe
// while another thread may read the environment, and the programs Wavedock
// starts are given the user's environment without them (ChildEnvironment).
void SetBrowserEngineSettings();

// Loads the browser engine module once per process and returns its factory;
// throws Error, naming the module, when it cannot be loaded.
CreateBrowserEngine LoadBrowserEngine();
