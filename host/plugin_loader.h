// Loads the plug-in library with dlopen and reads a picture through its
// exports, the way a viewer does.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class PluginLoader {
public:
    ~PluginLoader();
    bool Open(const std::string& libraryPath, std::string& error);
    // The plug-in's name, checked through ivpGetPluginInfo.
    std::string Name() const { return name_; }
    // Opens the picture of a job's first page: its size in pixels. `noPage` tells that the
    // plug-in made no picture of the job at all.
    bool OpenPicture(const std::string& jobPath, int32_t& width, int32_t& height, std::string& error, bool& noPage);
    // Row y of the open picture (32-bit BGRx), valid until the next call; null when it cannot be read.
    const uint8_t* Row(int32_t y);
    void ClosePicture();

private:
    void* library_ = nullptr;
    std::string name_;
    void* picture_ = nullptr;  // the plug-in's context of the open picture
    int32_t (*getLine_)(void*, int32_t, void*) = nullptr;
    void (*exit_)(void*) = nullptr;
    std::vector<uint8_t> row_;
};
