#ifndef RUNTIMETREE_H
#define RUNTIMETREE_H

#include <string>

// A throw-away runtime tree for one test: bin/ (the working directory while the tree lives),
// conf/, conf-dcdc/, conf-sts/ and log/ beside it, STATIONPANEL_ROOT pointing at its top and
// XDG_RUNTIME_DIR at its run/ (Qt's runtime folder, mode 0700).
class RuntimeTree {
public:
    // withTemplate copies the repository's runtime template into the tree.
    explicit RuntimeTree(bool withTemplate = false);
    ~RuntimeTree();
    RuntimeTree(const RuntimeTree&) = delete;
    RuntimeTree& operator=(const RuntimeTree&) = delete;

    const std::string& root() const { return root_; }
    // A path inside the tree, relative to its top ("bin/monitorset.txt", "etc/eth0-setting").
    std::string path(const std::string& rel) const { return root_ + "/" + rel; }
    void writeFile(const std::string& rel, const std::string& bytes) const;
    std::string readFile(const std::string& rel) const;
    bool exists(const std::string& rel) const;
    // Lines recorded by the shell runner.
    std::string commands() const { return readFile("commands.log"); }

    static std::string templateDir();

private:
    std::string root_;
    std::string oldCwd_;
    std::string oldRoot_;
    bool hadRoot_;
    std::string oldRuntimeDir_;
    bool hadRuntimeDir_;
};

#endif
