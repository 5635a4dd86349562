' Late-bound VBScript client: every JSON method, Base64, Version, value
' kinds (VarType), letter case of names and the automation error convention.
' Prints one FAIL line per failed check and OK at the end.
Option Explicit

Const kEmpty = 0, kNull = 1, kLong = 3, kString = 8, kBoolean = 11, kLongLong = 20
Dim failures : failures = 0

Sub Check(name, actual, expected)
  If IsNull(actual) Or IsNull(expected) Then
    If Not (IsNull(actual) And IsNull(expected)) Then Report name, actual, expected
  ElseIf actual <> expected Then
    Report name, actual, expected
  End If
End Sub

Sub CheckKind(name, value, kind)
  If VarType(value) <> kind Then
    failures = failures + 1
    WScript.Echo "FAIL: " & name & ": VarType " & VarType(value) & ", expected " & kind
  End If
End Sub

Sub Report(name, actual, expected)
  failures = failures + 1
  WScript.Echo "FAIL: " & name & ": got [" & actual & "], expected [" & expected & "]"
End Sub

Dim o, o2, root, a, arr, obj, el, pair, v, r, h
Set o = CreateObject("Lumetra.LumetraCOM")
Set o2 = CreateObject("Lumetra.LumetraCOM")

' Build and read a document.
root = o.JSONCreate("{""name"":""Ana"",""age"":41,""tags"":[""x"",""y""],""addr"":{""city"":""Lima""},""ok"":true,""none"":null}")
CheckKind "JSONCreate handle", root, kLongLong
Check "JSONCount", o.JSONCount(root), 6
CheckKind "JSONCount kind", o.JSONCount(root), kLong
Check "JSONIsObject", o.JSONIsObject(root), True
CheckKind "JSONIsObject kind", o.JSONIsObject(root), kBoolean
Check "JSONIsArray", o.JSONIsArray(root), False
Check "JSONGetNodeValue string", o.JSONGetNodeValue(root, "name"), "Ana"
Check "JSONGetNodeValue path", o.JSONGetNodeValue(root, "addr.city"), "Lima"
v = o.JSONGetNodeValue(root, "age")
Check "JSONGetNodeValue number", v, "41"
CheckKind "JSONGetNodeValue number kind", v, kString
v = o.JSONGetNodeValue(root, "ok")
Check "JSONGetNodeValue true", v, True
CheckKind "JSONGetNodeValue true kind", v, kBoolean
v = o.JSONGetNodeValue(root, "none")
CheckKind "JSONGetNodeValue null kind", v, kNull
v = o.JSONGetNodeValue(root, "addr")
CheckKind "JSONGetNodeValue object kind", v, kEmpty
v = o.JSONGetNodeValue(root, "missing")
Check "JSONGetNodeValue missing", v, 0
CheckKind "JSONGetNodeValue missing kind (32-bit failure 0)", v, kLong

arr = o.JSONGetElement(root, "tags")
CheckKind "JSONGetElement kind", arr, kLongLong
Check "JSONGetElement same handle twice", o.JSONGetElement(root, "tags"), arr
Check "JSONArrayCount", o.JSONArrayCount(arr), 2
CheckKind "JSONArrayCount kind", o.JSONArrayCount(arr), kLong
Check "JSONArrayCount of object", o.JSONArrayCount(root), -1
Check "JSONArrayCount of Null", o.JSONArrayCount(Null), -2
Check "JSONIsArray array", o.JSONIsArray(arr), True
el = o.JSONGetArrayElement(arr, 1)
CheckKind "JSONGetArrayElement kind", el, kLongLong
Check "element value", o.JSONGetNodeValue(el, ""), "y"
v = o.JSONGetArrayElement(arr, 2)
Check "JSONGetArrayElement out of range", v, 0
CheckKind "JSONGetArrayElement out of range kind (64-bit handle 0)", v, kLongLong
v = o.JSONGetArrayElement(root, 0)
CheckKind "JSONGetArrayElement on object kind (32-bit failure 0)", v, kLong

pair = o.JSONGetPair(root, 0)
CheckKind "JSONGetPair kind", pair, kLongLong
Check "JSONGetPairKey", o.JSONGetPairKey(pair), "name"
CheckKind "JSONGetPairKey kind", o.JSONGetPairKey(pair), kString
h = o.JSONGetPairValue(pair)
CheckKind "JSONGetPairValue kind", h, kLongLong
Check "JSONGetPairValue value", o.JSONGetNodeValue(h, ""), "Ana"
Check "JSONGetPairKey of object", o.JSONGetPairKey(root), ""

' Handles in every form the integer conversion accepts.
Check "handle as string", o.JSONCount(CStr(root)), 6
Check "handle as double", o.JSONCount(CDbl(root)), 6
Check "handle as Long", o.JSONCount(CLng(root)), 6

' Method names ignore letter case.
Check "lower-case name", o.jsoncount(root), 6
h = o.jsoncreate("[1]")
Check "lower-case jsoncreate", o.JSONArrayCount(h), 1
o.JSONFree h

' Build a document.
obj = o.JSONAddElement(0, "")
CheckKind "JSONAddElement root kind", obj, kLongLong
o.JSONAddNode obj, "s", "texto"
o.JSONAddNode obj, "i", 12
o.JSONAddNodeAsNumber obj, "n", 12
o.JSONAddNodeAsNumber obj, "f", 1.5
o.JSONAddNodeAsBool obj, "b", True
a = o.JSONAddArray(obj, "list")
CheckKind "JSONAddArray kind", a, kLongLong
el = o.JSONAddArrayElement(a)
CheckKind "JSONAddArrayElement kind", el, kLongLong
o.JSONAddNode el, "k", "v"
v = o.JSONAddArrayElementNested(a, "{}")
CheckKind "JSONAddArrayElementNested kind", v, kEmpty
h = o.JSONAddElement(obj, "child")
o.JSONAddNodeAsBool h, "no", False
Check "JSONFormat built", o.JSONFormat(obj), _
  "{""s"":""texto"",""i"":""12"",""n"":12,""f"":1.5,""b"":true,""list"":[{""k"":""v""},""{}""],""child"":{""no"":false}}"
CheckKind "JSONFormat kind", o.JSONFormat(obj), kString
Check "JSONAddArray on handle 0", o.JSONAddArray(0, "x"), 0
CheckKind "JSONAddArray on handle 0 kind", o.JSONAddArray(0, "x"), kLong

' Handles are shared by the objects of the process.
Check "handle through a second object", o2.JSONFormat(root), o.JSONFormat(root)
Set o2 = Nothing
Check "handle after the second object is gone", o.JSONCount(root), 6

' Free.
o.JSONFree obj
o.JSONFree 0
Check "JSONCount after free", o.JSONCount(obj), 0
CheckKind "JSONCount after free kind", o.JSONCount(obj), kLong

' An automation error: Number, Source and Description.
On Error Resume Next
Err.Clear
r = o.JSONGetPairKey(Null)
Check "Err.Number", Err.Number, &H8000FFFF
Check "Err.Source", Err.Source, "Lumetra.LumetraCOM"
Check "Err.Description", Err.Description, "Could not convert variant of type (Null) into type (Int64)"
Err.Clear
On Error GoTo 0

' Base64 files and version.
Dim fso, folder, path, stream
Set fso = CreateObject("Scripting.FileSystemObject")
folder = WScript.Arguments(0)
path = folder & "\b64.txt"
r = o.EncodeBase64("Hola", path)
Check "EncodeBase64 result", r, False
CheckKind "EncodeBase64 kind", r, kBoolean
Set stream = fso.OpenTextFile(path, 1)
Check "EncodeBase64 file", stream.ReadAll(), "SG9sYQ=="
stream.Close
path = folder & "\plain.txt"
r = o.DecodeBase64("SG9sYQ==", path)
Check "DecodeBase64 result", r, False
Set stream = fso.OpenTextFile(path, 1)
Check "DecodeBase64 file", stream.ReadAll(), "Hola"
stream.Close
r = o.DecodeBase64("SG9sYQ==", folder & "\no such folder\x.txt")
Check "DecodeBase64 into a missing folder", r, True
v = o.Version()
Check "Version", v, "1.0.002"
CheckKind "Version kind", v, kString

o.JSONFree root
' Release the object before WScript.Quit, which ends the process at once.
Set o = Nothing
If failures = 0 Then WScript.Echo "OK vbscript"
WScript.Quit failures
