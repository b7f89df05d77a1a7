#pragma once
// SANE and libgphoto2 load their drivers (scanner backends, camera and port
// libraries) with dlopen and unload them again. Leak-checking builds keep
// every driver module loaded for the life of the process, so that what the
// drivers leak is reported against their names and can be told apart from
// the program's own leaks. Other builds do nothing here.
void KeepDriverModulesLoaded();
