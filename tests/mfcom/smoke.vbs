' Smoke test of the registered lab farm from a script client: the farm's name and every
' published application's distinguished name. Exits 1 on any failure, an empty farm name
' or no application seen.
Option Explicit
On Error Resume Next
Dim farm, apps, app, name, seen

Sub Check(what)
    If Err.Number <> 0 Then
        WScript.Echo what & " failed: " & Err.Number & " " & Err.Description
        WScript.Quit 1
    End If
End Sub

Set farm = CreateObject("MetaFrameCOM.MetaFrameFarm")
Check "CreateObject"
farm.Initialize 1
Check "Initialize"
name = farm.FarmName
Check "FarmName"
WScript.Echo "Farm: " & name
Set apps = farm.Applications
Check "Applications"
seen = 0
For Each app In apps
    Check "enumeration"
    WScript.Echo "  " & app.DistinguishedName
    Check "DistinguishedName"
    seen = seen + 1
Next
Check "enumeration"
WScript.Echo seen & " applications"
If name = "" Or seen = 0 Then
    WScript.Quit 1
End If
WScript.Quit 0
