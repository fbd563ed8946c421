Attribute VB_Name = "M"
Option Explicit
Sub A()
End Sub