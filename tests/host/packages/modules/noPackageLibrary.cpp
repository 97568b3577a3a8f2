// A valid library with the plug-in suffix that registers no package: not a plug-in.
extern "C" int vxTestNoPackageLibraryAnswer()
{
    return 42;
}
