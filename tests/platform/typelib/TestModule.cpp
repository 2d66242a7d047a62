// A module without resources: LoadTypeLib finds no type library in it.
extern "C" int TypeLibTestModuleMarker() { return 1; }
