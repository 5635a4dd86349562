' First client: creates a document, publishes its handle in a file, keeps its
' object until the second client has finished, then releases it.
' Arguments: handle file, done file, and how many seconds to wait at most (120 when omitted).
Dim o, h, fso, f, start, limit
Set fso = CreateObject("Scripting.FileSystemObject")
Set o = CreateObject("Lumetra.LumetraCOM")
h = o.JSONCreate("{""compartido"":[1,2,3]}")
Set f = fso.CreateTextFile(WScript.Arguments(0) & ".tmp", True)
f.Write CStr(h)
f.Close
fso.MoveFile WScript.Arguments(0) & ".tmp", WScript.Arguments(0)
limit = 120
If WScript.Arguments.Count > 2 Then limit = CLng(WScript.Arguments(2))
' Wine's WScript.Sleep is not implemented: poll, for at most `limit` seconds.
start = Timer
Do Until fso.FileExists(WScript.Arguments(1))
  If Abs(Timer - start) > limit Then Exit Do
Loop
If Not fso.FileExists(WScript.Arguments(1)) Then WScript.Echo "FAIL: the second client never finished"
o.JSONFree h
Set o = Nothing
WScript.Echo "OK holder"
