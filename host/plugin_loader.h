// Loads the plug-in library with dlopen and reads a picture through its
// exports, the way a viewer does.
#pragma once
#include <cstdint>
#include <string>

class PluginLoader {
public:
    ~PluginLoader();
    bool Open(const std::string& libraryPath, std::string& error);
    // The plug-in's name, checked through ivpGetPluginInfo.
    std::string Name() const { return name_; }
    // Opens the picture of a job's first page: its size in pixels. `noPage` tells that the
    // plug-in made no picture of the job at all.
    bool OpenPicture(const std::string& jobPath, int32_t& width, int32_t& height, std::string& error, bool& noPage);
    // Copies row y of the open picture (32-bit BGRx, width * 4 bytes) into `into`; false when it
    // cannot be read. Rows may be read from several threads at once.
    bool Row(int32_t y, uint8_t* into) const;
    void ClosePicture();

private:
    void* library_ = nullptr;
    std::string name_;
    void* picture_ = nullptr;  // the plug-in's context of the open picture
    int32_t (*getLine_)(void*, int32_t, void*) = nullptr;
    void (*exit_)(void*) = nullptr;
};
