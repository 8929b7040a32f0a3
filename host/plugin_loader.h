// Loads the plug-in library with dlopen and reads a picture through its
// exports, the way a viewer does.
#pragma once
#include "png_writer.h"

#include <string>

class PluginLoader {
public:
    ~PluginLoader();
    bool Open(const std::string& libraryPath, std::string& error);
    // The plug-in's name, checked through ivpGetPluginInfo.
    std::string Name() const { return name_; }
    bool LoadPicture(const std::string& jobPath, Picture& picture, std::string& error);

private:
    void* library_ = nullptr;
    std::string name_;
};
