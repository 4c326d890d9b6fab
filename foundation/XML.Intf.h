// The XML tree every stored document uses, the persistence of objects in it, and the five entry
// points through which the rest of the system reaches the implementation.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "foundation/ClassName.h"
#include "foundation/IntfClasses.h"
#include "foundation/Streams.h"

namespace foundation {

// A document as a list of lines; reading consumes lines from its front.
using TXMLLines = std::deque<std::string>;
// The version of a document's format, e.g. {2, 0, 0, 1}; objects use it to read older layouts.
using TFormatVersion = std::vector<int32_t>;

struct IXMLAttribute;

struct IXMLNode : virtual IInterface {
    static constexpr TGUID IID = "{B67811FE-7F2B-4989-A5D7-5341A19FB24F}"_guid;
    virtual void SetNodeName(const std::string& Value) = 0;
    virtual IPtr<IXMLNode> GetParentNode() = 0;
    virtual void SetParentNode(IXMLNode* Value) = 0;
    virtual std::string GetNodeName() = 0;
    virtual std::string GetNodeValue() = 0;
    virtual void SetNodeValue(const std::string& Value) = 0;
    virtual void Clear() = 0;
    virtual void CopyToNode(IXMLNode* ADestNode) = 0;
    virtual void SaveToFile(const std::string& AFileName) = 0;
    virtual void SaveToStream(TStream& AStream) = 0;
    virtual void LoadFromFile(const std::string& AFileName) = 0;
    virtual void LoadFromStream(TStream& AStream) = 0;
    virtual void WriteToStrings(TXMLLines& Lines) = 0;
    virtual void ReadFromStrings(TXMLLines& Lines) = 0;
    virtual void SaveToClipboard(uint32_t AClipboardFormat) = 0;
    virtual void LoadFromClipboard(uint32_t AClipboardFormat) = 0;
    virtual int32_t AttributeCount() = 0;
    virtual IPtr<IXMLAttribute> Attribute(const std::string& AName) = 0;
    virtual IPtr<IXMLAttribute> Attribute(int32_t AIndex) = 0;
    virtual IPtr<IXMLAttribute> AddAttribute(const std::string& AName) = 0;
    virtual void DeleteAttribute(const std::string& AName) = 0;
    virtual int32_t ChildCount() = 0;
    virtual IPtr<IXMLNode> Child(const std::string& AName) = 0;
    virtual IPtr<IXMLNode> Child(int32_t AIndex) = 0;
    virtual int32_t ChildIndex(IXMLNode* AChild) = 0;
    virtual int32_t ChildIndex(const std::string& AChildName) = 0;
    virtual IPtr<IXMLNode> AddChild(const std::string& AName) = 0;
    virtual IPtr<IXMLNode> AddChild(IXMLNode* AChild) = 0;
    virtual void DeleteChild(const std::string& AName) = 0;
    virtual void DeleteChild(IXMLNode* AChild) = 0;
    virtual IPtr<IXMLNode> FirstChild() = 0;
    virtual IPtr<IXMLNode> LastChild() = 0;
    virtual IPtr<IXMLNode> NextSibling() = 0;
    virtual IPtr<IXMLNode> PrevSibling() = 0;
};

struct IXMLAttribute : virtual IInterface {
    static constexpr TGUID IID = "{76533F76-FFB5-4758-AAEA-515681BA9A2B}"_guid;
    virtual std::string GetName() = 0;
    virtual std::string GetAsStr() = 0;
    virtual void SetName(const std::string& Value) = 0;
    virtual void SetAsStr(const std::string& Value) = 0;
    virtual void SetAsBytes(const TBytes& Value) = 0;
    virtual double GetAsFloat() = 0;
    virtual double GetAsFloatDirect() = 0;
    virtual int32_t GetAsInt() = 0;
    virtual void SetAsFloat(double Value) = 0;
    virtual void SetAsInt(int32_t Value) = 0;
    virtual bool GetAsBool() = 0;
    virtual void SetAsBool(bool Value) = 0;
    virtual TBytes GetAsBytes() = 0;
};

struct IXMLPersist : virtual IInterface {
    static constexpr TGUID IID = "{C6AF5343-9FA9-4EEC-9668-B07B2003BFA6}"_guid;
    virtual void SaveToXML(IXMLNode* ANode) = 0;
    virtual void LoadFromXML(IXMLNode* ANode, const TFormatVersion& AVersion) = 0;
};

struct IXMLEdit : virtual IXMLPersist {
    static constexpr TGUID IID = "{23DFC69D-9AD2-4D35-8CC9-650D28D5F31A}"_guid;
    virtual uint32_t GetClipboardFormat() = 0;
    virtual uint32_t RegisterClipboardFormatName(const std::string& AName) = 0;
};

// Recreates an object of one class from a node that names the class.
using TXMLConstructor = std::function<IPtr<IInterface>(IXMLNode* ANode)>;

// Entry points: CreateXMLNode is set by InstallXMLNodes(), the other four by InstallXMLPersist().
extern IPtr<IXMLNode> (*CreateXMLNode)(IXMLNode* AParent);
extern void (*SaveObjectToXML)(IXMLNode* ANode, IInterface* AObject);
extern void (*LoadObjectFromXML)(IXMLNode* ANode, IInterface* AObject, const TFormatVersion& AVersion);
extern void (*RegisterXMLConstructor)(const std::string& AClassName, TXMLConstructor AConstructor);
extern IPtr<IInterface> (*CreateObjectFromXML)(IXMLNode* ANode, const TFormatVersion& AVersion);

// Registers under the name that objects of class T report for themselves in "Class".
template <class T> void RegisterXMLConstructorFor(TXMLConstructor AConstructor) {
    RegisterXMLConstructor(ClassNameOf(typeid(T)), std::move(AConstructor));
}

} // namespace foundation
