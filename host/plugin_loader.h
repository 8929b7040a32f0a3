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
    // `noPage` tells that the plug-in made no picture of the job at all.
    bool LoadPicture(const std::string& jobPath, Picture& picture, std::string& error, bool& noPage);

private:
    void* library_ = nullptr;
    std::string name_;
};
