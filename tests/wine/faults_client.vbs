' Client of the fault build of the server (lumetra_fault_server): each call
' passes the trigger string, whose copy into the portable object's types
' throws std::bad_alloc there. Each must fail with an automation error while
' the same server keeps serving: the document made before the faults is still
' there and unchanged.
' Arguments: ready file (written when the document exists), go file (awaited
' before the faults), faulted file (written after them), done file (awaited
' before the last check).
Option Explicit
Dim fso, o, doc, trigger, text, r, expected

Sub Touch(path)
  Dim f
  Set f = fso.CreateTextFile(path, True)
  f.Close
End Sub

' Wine's WScript.Sleep is not implemented: poll, for at most two minutes.
Sub AwaitFile(path)
  Dim start
  start = Timer
  Do Until fso.FileExists(path)
    If Abs(Timer - start) > 120 Then Exit Do
  Loop
  If Not fso.FileExists(path) Then WScript.Echo "FAIL: waited in vain for " & path
End Sub

Sub ExpectOutOfMemory(what)
  If Err.Number = 0 Then
    WScript.Echo "FAIL: " & what & ": no error"
  ElseIf Err.Description <> "Out of memory" Then
    WScript.Echo "FAIL: " & what & ": error " & Hex(Err.Number) & " [" & Err.Description & "]"
  Else
    WScript.Echo "ok " & what & ": error " & Hex(Err.Number) & " " & Err.Description
  End If
  Err.Clear
End Sub

Sub ExpectDocument(when)
  Dim formatted
  formatted = o.JSONFormat(doc)
  If Err.Number <> 0 Then
    WScript.Echo "FAIL: " & when & ": JSONFormat gave error " & Hex(Err.Number) & " [" & Err.Description & "]"
  ElseIf formatted <> expected Then
    WScript.Echo "FAIL: " & when & ": the document reads [" & formatted & "]"
  Else
    WScript.Echo "ok " & when & ": " & formatted
  End If
  Err.Clear
End Sub

Set fso = CreateObject("Scripting.FileSystemObject")
trigger = Chr(1) & "lumetra-fail-copy"
expected = "{""antes"":[1,2]}"
Set o = CreateObject("Lumetra.LumetraCOM")
doc = o.JSONCreate(expected)
Touch WScript.Arguments(0)
AwaitFile WScript.Arguments(1)

On Error Resume Next
ExpectDocument "before the faults"
r = o.JSONCreate(trigger)                          ' a BSTR argument
ExpectOutOfMemory "JSONCreate"
ExpectDocument "after JSONCreate"
o.JSONAddNode doc, trigger, 1                      ' a BSTR key
ExpectOutOfMemory "JSONAddNode key"
o.JSONAddNode doc, "k", trigger                    ' a VARIANT value
ExpectOutOfMemory "JSONAddNode value"
o.JSONAddNode doc, "k", Array(1, trigger)          ' an element of a VARIANT array
ExpectOutOfMemory "JSONAddNode array"
ExpectDocument "after JSONAddNode"
r = o.DSToJSON(trigger, "{}", "id", 1, "I")        ' a literal for a BSTR* parameter: converted in Invoke
ExpectOutOfMemory "DSToJSON literal"
text = trigger
r = o.DSToJSON("<x/>", text, "id", 1, "I")        ' a variable for a BSTR* parameter
ExpectOutOfMemory "DSToJSON variable"
ExpectDocument "after DSToJSON"
r = o.Version()
If Err.Number <> 0 Or r = "" Then WScript.Echo "FAIL: Version after the faults: " & Hex(Err.Number)
Err.Clear
Touch WScript.Arguments(2)
AwaitFile WScript.Arguments(3)
ExpectDocument "at the end"
o.JSONFree doc
Set o = Nothing
WScript.Echo "OK faults"
