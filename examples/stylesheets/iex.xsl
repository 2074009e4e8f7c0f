<?xml version="1.0" encoding="UTF-8"?>
<!-- Ion-exchange chapter: line data, bed data, plant overview graphic and the
     design messages of the ion-exchange modules. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:import href="common.xsl"/>
  <xsl:output method="xml" encoding="UTF-8"/>

  <xsl:template match="/report">
    <iex>
      <projecttitle><msg>Ion exchange</msg></projecttitle>
      <page/>
      <xsl:call-template name="heading"><xsl:with-param name="text" select="'Ion exchange'"/></xsl:call-template>
      <xsl:for-each select="system">
        <xsl:call-template name="datatable"/>
      </xsl:for-each>
      <xsl:if test="bedexpansion">
        <xsl:call-template name="heading">
          <xsl:with-param name="text" select="'Bed expansion during backwash'"/>
          <xsl:with-param name="level" select="1"/>
        </xsl:call-template>
        <xsl:variable name="us" select="$unitsystem = 'US'"/>
        <xmlcell width="250">
          <table border="1" cellpadding="1">
            <tr>
              <td width="70"><b><msg>Resin bed</msg></b></td>
              <td width="45"><b><msg>Backwash velocity</msg></b></td>
              <td width="40"><b><msg>Temperature</msg></b></td>
              <td width="45"><b><msg>Bed expansion</msg></b></td>
              <td width="50"><b><msg>Expanded bed height</msg></b></td>
            </tr>
            <!-- expansion and expandedheight are computed by the host from the
                 master database's formula for the resin. -->
            <xsl:for-each select="bedexpansion">
              <tr>
                <td width="70"><msg><xsl:value-of select="@label"/></msg></td>
                <td width="45">
                  <xsl:choose>
                    <xsl:when test="$us">
                      <xsl:call-template name="num"><xsl:with-param name="value" select="@velocity * 0.40913"/></xsl:call-template> gpm/ft²</xsl:when>
                    <xsl:otherwise>
                      <xsl:call-template name="num"><xsl:with-param name="value" select="@velocity"/></xsl:call-template> m/h</xsl:otherwise>
                  </xsl:choose>
                </td>
                <td width="40">
                  <xsl:variable name="t">
                    <xsl:choose><xsl:when test="@temperature"><xsl:value-of select="@temperature"/></xsl:when><xsl:otherwise>20</xsl:otherwise></xsl:choose>
                  </xsl:variable>
                  <xsl:choose>
                    <xsl:when test="$us">
                      <xsl:call-template name="num"><xsl:with-param name="value" select="$t * 1.8 + 32"/><xsl:with-param name="pattern" select="'0.0'"/></xsl:call-template> °F</xsl:when>
                    <xsl:otherwise>
                      <xsl:call-template name="num"><xsl:with-param name="value" select="$t"/><xsl:with-param name="pattern" select="'0.0'"/></xsl:call-template> °C</xsl:otherwise>
                  </xsl:choose>
                </td>
                <td width="45">
                  <xsl:call-template name="num"><xsl:with-param name="value" select="@expansion"/><xsl:with-param name="pattern" select="'0.0'"/></xsl:call-template> %</td>
                <td width="50">
                  <xsl:if test="@expandedheight">
                    <xsl:choose>
                      <xsl:when test="$us">
                        <xsl:call-template name="num"><xsl:with-param name="value" select="@expandedheight * 3.28084"/><xsl:with-param name="pattern" select="'0.00'"/></xsl:call-template> ft</xsl:when>
                      <xsl:otherwise>
                        <xsl:call-template name="num"><xsl:with-param name="value" select="@expandedheight"/><xsl:with-param name="pattern" select="'0.00'"/></xsl:call-template> m</xsl:otherwise>
                    </xsl:choose>
                  </xsl:if>
                </td>
              </tr>
            </xsl:for-each>
          </table>
        </xmlcell>
        <ln height="4"/>
      </xsl:if>
      <xsl:for-each select="picture">
        <page/>
        <xsl:call-template name="heading">
          <xsl:with-param name="text" select="@title"/>
          <xsl:with-param name="level" select="1"/>
        </xsl:call-template>
        <diagram type="{@type}" x="10" y="50" width="200">
          <xsl:for-each select="parameter"><xsl:copy-of select="."/></xsl:for-each>
        </diagram>
      </xsl:for-each>
      <xsl:for-each select="overview">
        <page/>
        <xsl:call-template name="heading">
          <xsl:with-param name="text" select="'Plant overview'"/>
          <xsl:with-param name="level" select="1"/>
        </xsl:call-template>
        <xsl:choose>
          <xsl:when test="@file">
            <plantoverview_xml filename="{@file}" stepid="{@stepid}" x="0" y="4" w="270" h="140">
              <xsl:for-each select="replacement"><replacement element="{@id}" value="{@value}"/></xsl:for-each>
            </plantoverview_xml>
          </xsl:when>
          <xsl:otherwise>
            <plantoverview projectuuid="{@project}" stepid="{@stepid}" x="0" y="4" w="270" h="140">
              <xsl:for-each select="replacement"><replacement element="{@id}" value="{@value}"/></xsl:for-each>
            </plantoverview>
          </xsl:otherwise>
        </xsl:choose>
      </xsl:for-each>
      <xsl:for-each select="notes">
        <page/>
        <xsl:call-template name="heading">
          <xsl:with-param name="text" select="'Design messages'"/>
          <xsl:with-param name="level" select="1"/>
        </xsl:call-template>
        <notes mtype="{@module}" flags1="{@flags1}" flags2="{@flags2}"/>
      </xsl:for-each>
    </iex>
  </xsl:template>
</xsl:stylesheet>
