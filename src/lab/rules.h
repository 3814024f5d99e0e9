// Every refusal of the lab farm, in one list. Each rule has its own number, a negative
// HRESULT-style value (or the automation number where a client expects one), and every
// FarmError that the lab raises is made by Refuse() with one of these rules.
//
//  #  Rule                     Number       Raised when
//  1  kFarmUnreachable         0x80040201   Farm::Initialize finds no farm (locator gives none,
//                                           or the store lacks it); any call on a farm object
//                                           whose farm has gone; an object initialised with no
//                                           farm to reach
//  2  kBadTypeCode             0x80040202   a type code other than the one the call takes
//                                           (1 farm, 3 application, 6 server/binding, 3 folder)
//  3  kNotInitialized          0x80040203   a call on an object before a successful Initialize
//  4  kSettingNotReported      0x80040204   WinFarm Get/Put of a key the farm cannot report
//  5  kUnknownName             0x80020006   Get/Put of a key the view does not know
//                                           (DISP_E_UNKNOWNNAME)
//  6  kTypeMismatch            13           Put of a text that is no number to a numeric key
//  7  kOverflow                6            Put of a numeric text outside 32 bits
//  8  kApplicationNotFound     0x80040205   an unknown distinguished name (Initialize,
//                                           GetApplication, LoadData, Delete, any read of an
//                                           application object whose application has gone)
//  9  kServerNotFound          0x80040206   an unknown server (Server::Initialize, GetServer,
//                                           Binding::Initialize, AddServer)
// 10  kInvalidAppName          0x80040207   SaveData of an empty name or one holding "/"
// 11  kDuplicateAppName        0x80040208   SaveData when another application of that name sits
//                                           in that folder
// 12  kFolderNotFound          0x80040209   SaveData into a parent folder that does not exist;
//                                           Folder::Initialize of a missing path
// 13  kAlreadyBound            0x8004020A   AddServer of a server the application has already
// 14  kBindingMismatch         0x8004020B   AddServer of a binding made for another application
// 15  kNotBound                0x8004020C   RemoveServer of a server the application lacks
// 16  kUnknownAccount          0x8004020D   AddUser/AddGroup of an account the farm does not know
// 17  kDuplicateAccount        0x8004020E   AddUser/AddGroup of an entry the application has
// 18  kIconWriteFailed         0x8004020F   WriteIconToFile cannot write the file
// 19  kIconFileUnreadable      0x80040210   LoadIconFromFile of a missing or unreadable file
// 20  kNotAnIcon               0x80040211   LoadIconFromFile of a file that is not an icon file,
//                                           or of an icon index other than 0
// 21  kFolderExists            0x80040212   AddSubFolder of an existing subfolder
// 22  kInvalidFolderName       0x80040213   AddSubFolder of an empty name or one holding "/"
// 23  kReadOnlyKey             0x80040214   Put of DistinguishedName
// 24  kZoneNotFound            0x80040215   a zone object whose zone has gone
// 25  kStoreIo                 0x80040216   the farm store cannot read or write its files
// 26  kUnknownAccountKind      0x80040217   Account::Initialize with an authority type or an
//                                           account type that is not one of its kind (accounts.h)
// 27  kWindowSizeBeforeType    0x80040218   Put of DefaultWindowWidth, DefaultWindowHeight or
//                                           DefaultWindowScale on an application never saved,
//                                           before its DefaultWindowType was put
#pragma once

#include <cstdint>
#include <string>

namespace lab {

enum class Rule {
    kFarmUnreachable,
    kBadTypeCode,
    kNotInitialized,
    kSettingNotReported,
    kUnknownName,
    kTypeMismatch,
    kOverflow,
    kApplicationNotFound,
    kServerNotFound,
    kInvalidAppName,
    kDuplicateAppName,
    kFolderNotFound,
    kAlreadyBound,
    kBindingMismatch,
    kNotBound,
    kUnknownAccount,
    kDuplicateAccount,
    kIconWriteFailed,
    kIconFileUnreadable,
    kNotAnIcon,
    kFolderExists,
    kInvalidFolderName,
    kReadOnlyKey,
    kZoneNotFound,
    kStoreIo,
    kUnknownAccountKind,
    kWindowSizeBeforeType,
};

// The number a refusal by this rule carries.
int32_t RuleNumber(Rule rule);

// Throws farm::FarmError with the rule's number and the description.
[[noreturn]] void Refuse(Rule rule, std::string description);

// "'text'", the way descriptions quote a name.
std::string Quoted(const std::string& text);

}  // namespace lab
