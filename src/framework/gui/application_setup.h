#pragma once

class Application;

// The program's look, shared by the program and its tests so that both lay out
// their windows alike. PrepareApplication() must run before the application
// object exists (the screen-scale rounding is fixed when it is made); ConfigureApplication()
// right after it.
void PrepareApplication();
void ConfigureApplication(Application& app);
