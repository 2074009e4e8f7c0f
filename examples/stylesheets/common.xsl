<?xml version="1.0" encoding="UTF-8"?>
<!-- Shared templates of the example style sheets: numbers with the report's decimal
     separator and two-column data tables written as rich text. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:param name="unitsystem" select="'metric'"/>
  <xsl:param name="decsep" select="'.'"/>
  <xsl:param name="pagelist" select="0"/>

  <!-- A number with the report's decimal separator. -->
  <xsl:template name="num">
    <xsl:param name="value"/>
    <xsl:param name="pattern" select="'0.##'"/>
    <xsl:value-of select="translate(format-number(number($value), $pattern), '.', $decsep)"/>
  </xsl:template>

  <!-- One table row per <item label="" value="" unit=""/> child of the context node. -->
  <xsl:template name="datatable">
    <xsl:param name="width" select="180"/>
    <xmlcell width="{$width}">
      <table border="1" cellpadding="1">
        <xsl:for-each select="item">
          <tr>
            <td width="{$width * 0.55}"><msg><xsl:value-of select="@label"/></msg></td>
            <td width="{$width * 0.45}">
              <xsl:choose>
                <xsl:when test="@number">
                  <xsl:call-template name="num"><xsl:with-param name="value" select="@number"/></xsl:call-template>
                </xsl:when>
                <xsl:otherwise><xsl:value-of select="@value"/></xsl:otherwise>
              </xsl:choose>
              <xsl:if test="@unit"><xsl:text> </xsl:text><xsl:value-of select="@unit"/></xsl:if>
            </td>
          </tr>
        </xsl:for-each>
      </table>
    </xmlcell>
    <ln height="4"/>
  </xsl:template>

  <!-- A chapter heading that translates and gets an outline entry. -->
  <xsl:template name="heading">
    <xsl:param name="text"/>
    <xsl:param name="level" select="0"/>
    <bookmark label="{$text}" level="{$level}"/>
    <xmlcell width="270"><font size="{14 - 2 * $level}"><b><msg><xsl:value-of select="$text"/></msg></b></font></xmlcell>
    <ln height="3"/>
  </xsl:template>
</xsl:stylesheet>
