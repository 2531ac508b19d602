#pragma once

#include <map>
#include <string>
#include <vector>

// A fresh folder under the temporary directory, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// Names of the files directly in a folder, sorted.
std::vector<std::wstring> FilesIn(const std::wstring& folder);
// Every file directly in a folder, by name, with its bytes.
std::map<std::wstring, std::string> FolderContents(const std::wstring& folder);
std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);
