// The XML tree classes and the line-oriented text form every stored document is written in:
// UTF-16LE with a byte-order mark, one tag per line, no indentation.
#pragma once

#include "foundation/XML.Intf.h"

namespace foundation {

class TXMLAttribute;

class TXMLNode : public TIaAObject, public virtual IXMLNode {
public:
    // The node joins AParent's children (none: a new document root).
    explicit TXMLNode(IXMLNode* AParent);

    void SetNodeName(const std::string& Value) override;
    IPtr<IXMLNode> GetParentNode() override { return IPtr<IXMLNode>(FParent); }
    void SetParentNode(IXMLNode* Value) override;
    std::string GetNodeName() override { return FNodeName; }
    std::string GetNodeValue() override { return FNodeValue; }
    void SetNodeValue(const std::string& Value) override { FNodeValue = Value; }
    void Clear() override;
    void CopyToNode(IXMLNode* ADestNode) override;
    void SaveToFile(const std::string& AFileName) override;
    void SaveToStream(TStream& AStream) override;
    void LoadFromFile(const std::string& AFileName) override;
    void LoadFromStream(TStream& AStream) override;
    void WriteToStrings(TXMLLines& Lines) override;
    void ReadFromStrings(TXMLLines& Lines) override;
    void SaveToClipboard(uint32_t AClipboardFormat) override;
    void LoadFromClipboard(uint32_t AClipboardFormat) override;
    int32_t AttributeCount() override { return int32_t(FAttributes.size()); }
    IPtr<IXMLAttribute> Attribute(const std::string& AName) override;
    IPtr<IXMLAttribute> Attribute(int32_t AIndex) override;
    IPtr<IXMLAttribute> AddAttribute(const std::string& AName) override;
    void DeleteAttribute(const std::string& AName) override;
    int32_t ChildCount() override { return int32_t(FChildNodes.size()); }
    IPtr<IXMLNode> Child(const std::string& AName) override;
    IPtr<IXMLNode> Child(int32_t AIndex) override;
    int32_t ChildIndex(IXMLNode* AChild) override;
    int32_t ChildIndex(const std::string& AChildName) override;
    IPtr<IXMLNode> AddChild(const std::string& AName) override;
    IPtr<IXMLNode> AddChild(IXMLNode* AChild) override;
    void DeleteChild(const std::string& AName) override;
    void DeleteChild(IXMLNode* AChild) override;
    IPtr<IXMLNode> FirstChild() override;
    IPtr<IXMLNode> LastChild() override;
    IPtr<IXMLNode> NextSibling() override;
    IPtr<IXMLNode> PrevSibling() override;

    // Replaces the file only once the whole content is safely on disk: it is written to a
    // temporary file in the same folder, which is then renamed over the target.
    virtual void SaveStreamToFile(TMemoryStream& AStream, const std::string& AFileName);
    virtual void LoadStreamFromFile(TMemoryStream& AStream, const std::string& AFileName);

    // How deep a document read from outside may nest: deeper files are refused as invalid rather
    // than being allowed to exhaust the stack.
    static constexpr int MaxReadDepth = 256;

protected:
    HRESULT QueryOwnInterface(const TGUID& IID, void** Obj) override;
    void BeforeDestruction() override;

private:
    IXMLNode* Self() { return static_cast<IXMLNode*>(this); }
    IPtr<IXMLNode> Sibling(int Step);

    std::string FNodeName = "NodeX";
    std::string FNodeValue;
    std::vector<IPtr<IXMLNode>> FChildNodes;
    std::vector<IPtr<TXMLAttribute>> FAttributes;
    IXMLNode* FParent = nullptr; // not counted: a child never keeps its parent alive
};

class TXMLAttribute : public TIaAObject, public virtual IXMLAttribute {
public:
    explicit TXMLAttribute(IXMLNode* ANode) : FNode(ANode) {}

    std::string GetName() override { return FName; }
    std::string GetAsStr() override { return FValue; }
    void SetName(const std::string& Value) override;
    void SetAsStr(const std::string& Value) override { FValue = Value; }
    void SetAsBytes(const TBytes& Value) override;
    double GetAsFloat() override;
    double GetAsFloatDirect() override;
    int32_t GetAsInt() override;
    void SetAsFloat(double Value) override;
    void SetAsInt(int32_t Value) override { FValue = std::to_string(Value); }
    bool GetAsBool() override;
    void SetAsBool(bool Value) override { FValue = Value ? "-1" : "0"; }
    TBytes GetAsBytes() override;

    // The owning node lets go of the attribute; it no longer checks names against the node.
    void Detach() { FNode = nullptr; }

protected:
    HRESULT QueryOwnInterface(const TGUID& IID, void** Obj) override;

private:
    std::string FName;
    std::string FValue;
    IXMLNode* FNode; // not counted: the node owns its attributes
};

// Sets CreateXMLNode.
void InstallXMLNodes();

// Compares as names are compared in documents: ignoring letter case.
bool SameText(const std::string& A, const std::string& B);

} // namespace foundation
